// read.cpp: the record of one read: its refusal, its progress and the files it has open.
#include <errno.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include "glm/glm_internal.h"

void _glmFail(GlmRead* read, FILE* stream, const char* format, ...) {
    if (read->claimed.test_and_set()) return;
    // whatever went wrong in a file that changed while it was read, the change is the cause
    const GlmFile* changed = nullptr;
    for (const GlmFile* f = read->openFiles; f && !changed; f = f->nextOpen)
        if (_glmFileChanged(f)) changed = f;
    GlmReadStatus* status = read->status;
    if (changed) {
        snprintf(status->message, sizeof status->message, "%s failed: file \"%s\" changed while it was read.\n",
                 changed->reporter, changed->path);
        stream = stderr;
    } else {
        va_list args;
        va_start(args, format);
        vsnprintf(status->message, sizeof status->message, format, args);
        va_end(args);
    }
    status->onStdout = stream == stdout;
    read->failed = true;
}

void _glmStartRead(GlmRead* read, GlmReadStatus* status) {
    read->status = status;
    read->model = nullptr;
    read->openFiles = nullptr;
    read->failed = false;
    read->ignoredIndices = false;
    read->claimed.clear();
}

void _glmAddProgress(GlmRead* read, uint64_t bytes) {
    __atomic_add_fetch(&read->status->done, bytes, __ATOMIC_RELAXED);
}

bool _glmLoadFile(GlmRead* read, const char* path, GlmFile* file, const char* reporter) {
    if (!_glmOpenFile(path, file, &read->status->abandon)) {
        if (errno == EFBIG)
            _glmFail(read, stderr, "%s failed: file \"%s\" is larger than this machine can read.\n", reporter, path);
        if (errno == ECANCELED) _glmFail(read, stderr, "%s failed: the reading of \"%s\" was abandoned.\n", reporter, path);
        return false;
    }
    file->path = path;
    file->reporter = reporter;
    file->nextOpen = read->openFiles;
    read->openFiles = file;
    return true;
}

bool _glmCheckFile(GlmRead* read, const GlmFile* file) {
    // the refusal itself names the change
    if (!_glmFileChanged(file)) return true;
    _glmFail(read, stderr, "%s failed: file \"%s\" changed while it was read.\n", file->reporter, file->path);
    return false;
}

void _glmUnloadFile(GlmRead* read, GlmFile* file) {
    for (GlmFile** at = &read->openFiles; *at; at = &(*at)->nextOpen)
        if (*at == file) {
            *at = file->nextOpen;
            break;
        }
    _glmCloseFile(file);
}

