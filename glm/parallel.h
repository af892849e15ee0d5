/* parallel.h: the library's one way of using the machine's cores. */
#ifndef GLM_PARALLEL_H
#define GLM_PARALLEL_H

#include <atomic>
#include <system_error>
#include <thread>
#include <vector>
#include "glm/glm_internal.h"

/* How many cores the machine has (at least 1). */
inline int _glmCores(void) {
    unsigned cores = std::thread::hardware_concurrency();
    return cores ? static_cast<int>(cores) : 1;
}

/*
 * Runs work(i) for every part i in [0, count) on the machine's cores: each thread, the
 * calling one too, takes the next part nobody has taken until none is left, so that parts of
 * uneven cost even out. Returns when every part is done.
 */
template <typename Work>
void _glmRunParts(int count, Work work) {
    std::atomic<int> next(0);
    auto worker = [&]() {
        for (int i = next++; i < count; i = next++) work(i);
    };
    int helpers = _glmCores() - 1;
    if (helpers > count - 1) helpers = count - 1;
    std::vector<std::thread> threads;
    for (int i = 0; i < helpers; i++) {
        try {
            threads.emplace_back(worker);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the others do the rest
        }
    }
    worker();
    for (std::thread& t : threads) t.join();
}

#endif
