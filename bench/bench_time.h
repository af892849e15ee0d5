// bench_time.h: the clock and the median of the timed benchmarks.
#ifndef BENCH_BENCH_TIME_H
#define BENCH_BENCH_TIME_H

#include <time.h>
#include <algorithm>
#include <vector>

inline double now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

#endif
