// memory.cpp: the library's allocation, file loading and process exit.
#include <errno.h>
#include <stdarg.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include "glm/glm_internal.h"

#ifdef GLM_FUZZ
#include <mutex>
#include "glm/glm_fuzz.h"
#endif

namespace {

const size_t largeBlock = 8u << 20, hugePage = 2u << 20;

[[noreturn]] void outOfMemory(size_t size) {
    _glmFail(stderr, "glmReadOBJ() failed: out of memory (%zu bytes requested).\n", size);
}

#ifdef GLM_FUZZ
// The fuzz build keeps every block in one list, so that its harness can free what an input
// that ends the process left behind.
struct BlockHeader {
    BlockHeader* previous;
    BlockHeader* next;
};
BlockHeader liveBlocks = {&liveBlocks, &liveBlocks};
std::mutex liveBlocksLock;  // the reader's threads allocate too
jmp_buf* exitJump = nullptr;
#endif

void* allocate(size_t size, bool zeroed) {
    if (size > static_cast<size_t>(-1) / 2) outOfMemory(size);
#ifdef GLM_FUZZ
    size_t total = size + sizeof(BlockHeader);
#else
    size_t total = size ? size : 1;
#endif
    void* block = zeroed ? calloc(1, total) : malloc(total);
    if (!block) outOfMemory(size);
#ifndef GLM_FUZZ
    _glmAdviseHugePages(block, total);
#endif
#ifdef GLM_FUZZ
    BlockHeader* h = static_cast<BlockHeader*>(block);
    std::lock_guard<std::mutex> hold(liveBlocksLock);
    h->previous = &liveBlocks;
    h->next = liveBlocks.next;
    liveBlocks.next->previous = h;
    liveBlocks.next = h;
    block = h + 1;
#endif
    return block;
}

}  // namespace

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
#ifdef GLM_FUZZ
    BlockHeader* h = static_cast<BlockHeader*>(block) - 1;
    std::lock_guard<std::mutex> hold(liveBlocksLock);
    h->previous->next = h->next;
    h->next->previous = h->previous;
    block = h;
#endif
    free(block);
}

char* _glmStrdup(const char* text) {
    size_t n = strlen(text) + 1;
    char* copy = static_cast<char*>(_glmAlloc(n));
    memcpy(copy, text, n);
    return copy;
}

// The library's own report does nothing more; a program may define one that shows the line.
__attribute__((weak)) void glmReportFatal(const char*) {}

void _glmFail(FILE* stream, const char* format, ...) {
    va_list args;
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
#ifdef GLM_FUZZ
    if (exitJump) longjmp(*exitJump, status + 1);
#endif
    exit(status);
}

#ifdef GLM_FUZZ
void glmFuzzSetExitJump(jmp_buf* jump) { exitJump = jump; }

size_t glmFuzzFreeAll(void) {
    size_t count = 0;
    while (liveBlocks.next != &liveBlocks) {
        _glmFree(liveBlocks.next + 1);
        count++;
    }
    return count;
}
#endif

bool _glmLoadFile(const char* path, GlmFile* file) {
    *file = GlmFile();
    int fd = open(path, O_RDONLY);
    if (fd < 0) return false;
    struct stat info;
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        close(fd);
        errno = EISDIR;
        return false;
    }
#ifndef GLM_FUZZ
    // a regular file is mapped: no copy, and no fresh pages for one (the fuzz build reads, so
    // that an input that ends the process leaves no mapping behind)
    if (S_ISREG(info.st_mode) && info.st_size > 0) {
        void* map = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (map != MAP_FAILED) {
            close(fd);
            file->data = static_cast<const char*>(map);
            file->size = static_cast<size_t>(info.st_size);
            file->mapped = true;
            return true;
        }
    }
#endif
    // one read of the whole file in the common case; grow only if it is not regular or grows
    size_t capacity = info.st_size > 0 ? static_cast<size_t>(info.st_size) + 1 : 4096;
    char* data = static_cast<char*>(_glmAlloc(capacity));
    size_t used = 0;
    for (;;) {
        if (used == capacity) {
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
    return true;
}

void _glmUnloadFile(GlmFile* file) {
    if (file->mapped)
        munmap(const_cast<char*>(file->data), file->size);
    else
        _glmFree(const_cast<char*>(file->data));
    *file = GlmFile();
}
