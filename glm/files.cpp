// files.cpp: a file in memory for the readers (mapped, or read where it cannot be), and
// whether it changed while it was read.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <mutex>
#include "glm/glm_internal.h"

namespace {

// The files mapped now, for the bus-error handler: a file that shrinks while it is mapped
// leaves pages that no longer exist, and reading them raises SIGBUS. The handler puts a page
// of zeros in their place and notes the change, which the reader then reports. Slots are
// taken and given back under the lock; the handler reads only the atomics.
struct MappedFile {
    std::atomic<const char*> begin;
    std::atomic<size_t> size;
    std::atomic<bool> changed;
};
MappedFile mappedFiles[16];
std::mutex slotLock;
struct sigaction previousBusAction;

void onBusError(int signal, siginfo_t* info, void* context) {
    const char* at = static_cast<const char*>(info->si_addr);
    for (MappedFile& m : mappedFiles) {
        const char* begin = m.begin.load();
        if (begin && at >= begin && at < begin + m.size.load()) {
            uintptr_t page = reinterpret_cast<uintptr_t>(at) & ~static_cast<uintptr_t>(sysconf(_SC_PAGESIZE) - 1);
            mmap(reinterpret_cast<void*>(page), static_cast<size_t>(sysconf(_SC_PAGESIZE)), PROT_READ,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
            m.changed = true;
            return;
        }
    }
    // not one of ours: as it would have been without this handler
    if (previousBusAction.sa_flags & SA_SIGINFO) {
        if (previousBusAction.sa_sigaction) return previousBusAction.sa_sigaction(signal, info, context);
    } else if (previousBusAction.sa_handler != SIG_DFL && previousBusAction.sa_handler != SIG_IGN) {
        return previousBusAction.sa_handler(signal);
    }
    sigaction(SIGBUS, &previousBusAction, nullptr);
}

// A slot for a mapping; -1 when the table is full (the file is then read instead).
int watchMapping(const char* data, size_t size) {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action = {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &previousBusAction);
    });
    std::lock_guard<std::mutex> hold(slotLock);
    for (int i = 0; i < static_cast<int>(sizeof mappedFiles / sizeof mappedFiles[0]); i++) {
        MappedFile& m = mappedFiles[i];
        if (m.begin.load()) continue;
        m.size = size;
        m.changed = false;
        m.begin = data;
        return i;
    }
    return -1;
}

void unwatchMapping(int slot) {
    std::lock_guard<std::mutex> hold(slotLock);
    mappedFiles[slot].begin = nullptr;
}

// The most a file that is not regular (a pipe) may bring: half the memory the process may
// have, the machine's or its limit's.
size_t largestRead(void) {
    long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    size_t largest = pages > 0 && pageSize > 0 ? static_cast<size_t>(pages) * static_cast<size_t>(pageSize) : SIZE_MAX / 2;
    struct rlimit limit;
    if (getrlimit(RLIMIT_DATA, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < largest)
        largest = static_cast<size_t>(limit.rlim_cur);
    return largest / 2;
}

// Waits until a stream (the descriptor is non-blocking) has something to read or its writer
// is gone, looking at *abandon every tenth of a second; false (ECANCELED) once it is set. A
// FIFO that no writer opened yet is waited for as a writer that is slow.
bool waitForStream(int fd, const int* abandon) {
    pollfd wanted = {fd, POLLIN, 0};
    for (;;) {
        if (abandon && __atomic_load_n(abandon, __ATOMIC_RELAXED)) {
            errno = ECANCELED;
            return false;
        }
        int ready = poll(&wanted, 1, 100);
        if (ready > 0 || (ready < 0 && errno != EINTR)) return true;
    }
}

// The whole of a file that is not mapped, read into one block: one read in the common case,
// growing only where it is not regular or grows. False (errno set) where a read fails, with
// EFBIG where it brings more than the machine can hold, and ECANCELED where it is abandoned.
bool readWhole(int fd, const struct stat* info, GlmFile* file, const int* abandon) {
    const bool stream = !S_ISREG(info->st_mode);
    const size_t largest = largestRead();
    size_t capacity = info->st_size > 0 ? static_cast<size_t>(info->st_size) + 1 : 4096;
    char* data = static_cast<char*>(_glmAlloc(capacity));
    size_t used = 0;
    for (;;) {
        if (used == capacity) {
            if (capacity > largest / 2) {
                _glmFree(data);
                errno = EFBIG;
                return false;
            }
            char* larger = static_cast<char*>(_glmAlloc(capacity * 2));
            memcpy(larger, data, used);
            _glmFree(data);
            data = larger;
            capacity *= 2;
        }
        if (stream && !waitForStream(fd, abandon)) {
            _glmFree(data);
            return false;
        }
        ssize_t n = read(fd, data + used, capacity - used);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n < 0) {
            _glmFree(data);
            return false;
        }
        if (n == 0) break;
        used += static_cast<size_t>(n);
    }
    file->data = data;
    file->size = used;
    return true;
}

}  // namespace

bool _glmOpenFile(const char* path, GlmFile* file, const int* abandon) {
    *file = GlmFile();
    file->fd = file->watchSlot = -1;
    // a FIFO must not block the opening; a stream is read as it comes (readWhole)
    int fd = open(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info;
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        close(fd);
        errno = EISDIR;
        return false;
    }
    file->fileSize = info.st_size;
    file->modified = info.st_mtim;
    // a regular file is mapped: no copy, and no fresh pages for one
    if (S_ISREG(info.st_mode) && info.st_size > 0) {
        void* map = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        int slot = map == MAP_FAILED ? -1 : watchMapping(static_cast<const char*>(map), static_cast<size_t>(info.st_size));
        if (slot >= 0) {
            file->fd = fd;
            file->watchSlot = slot;
            file->data = static_cast<const char*>(map);
            file->size = static_cast<size_t>(info.st_size);
            file->mapped = true;
            return true;
        }
        if (map != MAP_FAILED) munmap(map, static_cast<size_t>(info.st_size));
    }
    bool whole = readWhole(fd, &info, file, abandon);
    int saved = errno;
    close(fd);
    errno = saved;
    return whole;
}

bool _glmFileChanged(const GlmFile* file) {
    struct stat info;
    return (file->watchSlot >= 0 && mappedFiles[file->watchSlot].changed.load()) ||
           (file->fd >= 0 && fstat(file->fd, &info) == 0 &&
            (info.st_size != file->fileSize || info.st_mtim.tv_sec != file->modified.tv_sec ||
             info.st_mtim.tv_nsec != file->modified.tv_nsec));
}

void _glmCloseFile(GlmFile* file) {
    if (file->mapped) {
        if (file->watchSlot >= 0) unwatchMapping(file->watchSlot);
        munmap(const_cast<char*>(file->data), file->size);
    } else {
        _glmFree(const_cast<char*>(file->data));
    }
    if (file->fd >= 0) close(file->fd);
    *file = GlmFile();
    file->fd = file->watchSlot = -1;
}
