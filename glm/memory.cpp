// memory.cpp: the library's allocation, file loading and process exit.
#include <errno.h>
#include <signal.h>
#include <stdarg.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <mutex>
#include "glm/glm_internal.h"

namespace {

const GlmFile* changedFile(void);

const size_t largeBlock = 8u << 20, hugePage = 2u << 20;

[[noreturn]] void outOfMemory(size_t size) {
    _glmFail(stderr, "glmReadOBJ() failed: out of memory (%zu bytes requested).\n", size);
}

// Every block starts with a header: linked into the ring of the read under way that made it,
// or unlinked (both null). Only the threads of a read reach its ring (its model is nobody
// else's until the read returns); while several run, one lock guards the rings.
std::mutex ringLock;

// Takes the lock where the read under way shares its ring between threads; whether it did.
bool holdRing(void) {
    bool shared = _glmReading && _glmReading->shared;
    if (shared) ringLock.lock();
    return shared;
}
static_assert(sizeof(GlmBlock) % alignof(max_align_t) == 0, "blocks stay aligned");

void* allocate(size_t size, bool zeroed) {
    if (size > static_cast<size_t>(-1) / 2) outOfMemory(size);
    size_t total = size + sizeof(GlmBlock);
    GlmBlock* h = static_cast<GlmBlock*>(zeroed ? calloc(1, total) : malloc(total));
    if (!h) outOfMemory(size);
    _glmAdviseHugePages(h, total);
    h->previous = h->next = nullptr;
    if (GlmReading* r = _glmReading) {
        bool held = holdRing();
        h->previous = &r->blocks;
        h->next = r->blocks.next;
        r->blocks.next->previous = h;
        r->blocks.next = h;
        if (held) ringLock.unlock();
    }
    return h + 1;
}

}  // namespace

thread_local GlmReading* _glmReading = nullptr;
thread_local bool _glmCannotReturn = false;

void _glmAdviseHugePages(void* block, size_t size) {
    if (size < largeBlock) return;
    // a large model's arrays: fewer, larger pages, so that filling them takes far fewer page
    // faults (the kernel may decline; nothing else changes)
    uintptr_t start = (reinterpret_cast<uintptr_t>(block) + hugePage - 1) & ~(hugePage - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(block) + size) & ~(hugePage - 1);
    if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

void* _glmAlloc(size_t size) { return allocate(size, false); }

void* _glmCalloc(size_t count, size_t size) {
    if (size != 0 && count > static_cast<size_t>(-1) / 2 / size) outOfMemory(static_cast<size_t>(-1));
    return allocate(count * size, true);
}

void _glmFree(void* block) {
    if (!block) return;
    GlmBlock* h = static_cast<GlmBlock*>(block) - 1;
    if (h->previous) {
        bool held = holdRing();
        h->previous->next = h->next;
        h->next->previous = h->previous;
        if (held) ringLock.unlock();
    }
    free(h);
}

char* _glmStrdup(const char* text) {
    size_t n = strlen(text) + 1;
    char* copy = static_cast<char*>(_glmAlloc(n));
    memcpy(copy, text, n);
    return copy;
}

// The library's own report does nothing more; a program may define one that shows the line.
__attribute__((weak)) void glmReportFatal(const char*) {}

// whatever went wrong in a file that changed while it was read, the change is the cause
static thread_local bool reportingChange = false;

void _glmFail(FILE* stream, const char* format, ...) {
    const GlmFile* changed = reportingChange ? nullptr : changedFile();
    if (changed) {
        reportingChange = true;
        _glmCheckFile(changed);
    }
    va_list args;
    if (GlmReading* r = _glmReading; r && !_glmCannotReturn) {
        va_start(args, format);
        vsnprintf(r->status->message, sizeof r->status->message, format, args);
        va_end(args);
        r->status->onStdout = stream == stdout;
        longjmp(r->jump, 1);
    }
    va_start(args, format);
    vfprintf(stream, format, args);
    va_end(args);
    fflush(stream);
    // the same line for the program's report; a very long file name is cut there only
    char line[2048];
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    glmReportFatal(line);
    _glmExit(1);
}

void _glmExit(int status) {
    // maps may still be decoding on other threads: the process ends without running the
    // exit handlers under them, once what it printed is out
    fflush(nullptr);
    _exit(status);
}

void _glmBeginReading(GlmReading* r, GlmReadStatus* status) {
    r->status = status;
    r->model = nullptr;
    r->blocks.previous = r->blocks.next = &r->blocks;
    r->fileCount = 0;
    r->shared = false;
    r->outer = _glmReading;
    _glmReading = r;
    reportingChange = false;
}

void _glmEndReading(GlmReading* r, bool failed) {
    _glmCannotReturn = false;
    if (failed) {
        if (r->model) _glmFreeImages(r->model);
        while (r->fileCount > 0) {
            const GlmOpened& o = r->files[r->fileCount - 1];
            GlmFile file = {};
            file.data = o.data;
            file.size = o.size;
            file.mapped = o.mapped;
            file.fd = o.fd;
            _glmUnloadFile(&file);  // forgets it here too
        }
    }
    _glmReading = r->outer;
    for (GlmBlock* h = r->blocks.next; h != &r->blocks;) {
        GlmBlock* next = h->next;
        h->previous = h->next = nullptr;
        if (failed) free(h);
        h = next;
    }
}

void _glmAddProgress(uint64_t bytes) {
    if (_glmReading) __atomic_add_fetch(&_glmReading->status->done, bytes, __ATOMIC_RELAXED);
}

namespace {

#ifndef GLM_FUZZ
// The files mapped now, for the bus-error handler: a file that shrinks while it is mapped
// leaves pages that no longer exist, and reading them raises SIGBUS. The handler puts a page
// of zeros in their place and notes the change, which the reader then reports.
struct MappedFile {
    std::atomic<const char*> begin;
    std::atomic<size_t> size;
    std::atomic<bool> changed;
    const GlmFile* file;
};
MappedFile mappedFiles[8];
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

// Keeps the mapping in the table; false when the table is full (the file is then read).
bool watchMapping(const GlmFile* file, const char* data, size_t size) {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action = {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &previousBusAction);
    });
    static std::mutex lock;
    std::lock_guard<std::mutex> hold(lock);
    for (MappedFile& m : mappedFiles) {
        if (m.begin.load()) continue;
        m.size = size;
        m.changed = false;
        m.file = file;
        m.begin = data;
        return true;
    }
    return false;
}

MappedFile* mappingOf(const GlmFile* file) {
    for (MappedFile& m : mappedFiles)
        if (file->mapped && m.begin.load() == file->data) return &m;
    return nullptr;
}
#endif

// Whether a file changed since it was opened: it shrank under its mapping, or its size or
// time of change differ.
bool fileChanged(const GlmFile* file) {
#ifndef GLM_FUZZ
    const MappedFile* m = mappingOf(file);
    struct stat info;
    return (m && m->changed.load()) ||
           (file->fd >= 0 && fstat(file->fd, &info) == 0 &&
            (info.st_size != file->fileSize || info.st_mtim.tv_sec != file->modified.tv_sec ||
             info.st_mtim.tv_nsec != file->modified.tv_nsec));
#else
    (void)file;
    return false;
#endif
}

// The mapped file that changed while it was read, if any: what went wrong reading it is that.
const GlmFile* changedFile(void) {
#ifndef GLM_FUZZ
    for (MappedFile& m : mappedFiles)
        if (m.begin.load() && fileChanged(m.file)) return m.file;
#endif
    return nullptr;
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

// The read under way keeps what it loads, to close it should it fail.
void noteLoaded(const GlmFile* file) {
    GlmReading* r = _glmReading;
    if (!r) return;
    if (r->fileCount == static_cast<int>(sizeof r->files / sizeof r->files[0])) abort();  // more than any read holds at once
    r->files[r->fileCount++] = GlmOpened{file->data, file->size, file->mapped, file->fd};
}

void forgetLoaded(const GlmFile* file) {
    GlmReading* r = _glmReading;
    for (int i = r ? r->fileCount - 1 : -1; i >= 0; i--)
        if (r->files[i].data == file->data && r->files[i].fd == file->fd) {
            r->files[i] = r->files[--r->fileCount];
            return;
        }
}

}  // namespace

bool _glmLoadFile(const char* path, GlmFile* file, const char* reporter) {
    *file = GlmFile();
    file->fd = -1;
    // a library that is a FIFO must not block the opening; what is read blocks as usual
    int fd = open(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info;
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        close(fd);
        errno = EISDIR;
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file->path = path;
    file->reporter = reporter;
    file->fileSize = info.st_size;
    file->modified = info.st_mtim;
#ifndef GLM_FUZZ
    // a regular file is mapped: no copy, and no fresh pages for one (the fuzz build reads, so
    // that an input that ends the process leaves no mapping behind)
    if (S_ISREG(info.st_mode) && info.st_size > 0) {
        void* map = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (map != MAP_FAILED && watchMapping(file, static_cast<const char*>(map), static_cast<size_t>(info.st_size))) {
            file->fd = fd;
            file->data = static_cast<const char*>(map);
            file->size = static_cast<size_t>(info.st_size);
            file->mapped = true;
            noteLoaded(file);
            return true;
        }
        if (map != MAP_FAILED) munmap(map, static_cast<size_t>(info.st_size));
    }
#endif
    // one read of the whole file in the common case; grow only if it is not regular or grows
    const size_t largest = largestRead();
    size_t capacity = info.st_size > 0 ? static_cast<size_t>(info.st_size) + 1 : 4096;
    char* data = static_cast<char*>(_glmAlloc(capacity));
    size_t used = 0;
    for (;;) {
        if (used == capacity) {
            if (capacity > largest / 2) {
                _glmFree(data);
                close(fd);
                _glmFail(stderr, "%s failed: file \"%s\" is larger than this machine can read.\n", reporter, path);
            }
            char* larger = static_cast<char*>(_glmAlloc(capacity * 2));
            memcpy(larger, data, used);
            _glmFree(data);
            data = larger;
            capacity *= 2;
        }
        ssize_t n = read(fd, data + used, capacity - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            int saved = errno;
            _glmFree(data);
            close(fd);
            errno = saved;
            return false;
        }
        if (n == 0) break;
        used += static_cast<size_t>(n);
    }
    close(fd);
    file->data = data;
    file->size = used;
    noteLoaded(file);
    return true;
}

void _glmCheckFile(const GlmFile* file) {
    if (fileChanged(file)) _glmFail(stderr, "%s failed: file \"%s\" changed while it was read.\n", file->reporter, file->path);
}

void _glmUnloadFile(GlmFile* file) {
    forgetLoaded(file);
    if (file->mapped) {
#ifndef GLM_FUZZ
        if (MappedFile* m = mappingOf(file)) m->begin = nullptr;
#endif
        munmap(const_cast<char*>(file->data), file->size);
    } else {
        _glmFree(const_cast<char*>(file->data));
    }
    if (file->fd >= 0) close(file->fd);
    *file = GlmFile();
    file->fd = -1;
}
