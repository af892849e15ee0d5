// alloc.cpp: the library's memory, and its one way of ending the process.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
#include "glm/glm_internal.h"

namespace {

const size_t largeBlock = 8u << 20, hugePage = 2u << 20;

[[noreturn]] void outOfMemory(size_t size) {
    fprintf(stderr, "glmReadOBJ() failed: out of memory (%zu bytes requested).\n", size);
    _glmExit(1);
}

void* checked(void* block, size_t size) {
    if (!block) outOfMemory(size);
    _glmAdviseHugePages(block, size);
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

void* _glmAlloc(size_t size) {
    if (size > SIZE_MAX / 2) outOfMemory(size);
    return checked(malloc(size ? size : 1), size);
}

void* _glmCalloc(size_t count, size_t size) {
    if (size != 0 && count > SIZE_MAX / 2 / size) outOfMemory(SIZE_MAX);
    return checked(calloc(count ? count : 1, size ? size : 1), count * size);
}

void _glmFree(void* block) { free(block); }

void* _glmShrink(void* block, size_t size) {
    // a large block gives back its tail without a copy; a shrink never fails for want of memory
    void* smaller = realloc(block, size ? size : 1);
    return smaller ? smaller : block;
}

char* _glmStrdup(const char* text) {
    size_t n = strlen(text) + 1;
    char* copy = static_cast<char*>(_glmAlloc(n));
    memcpy(copy, text, n);
    return copy;
}

void _glmExit(int status) {
    fflush(nullptr);
    _exit(status);
}
