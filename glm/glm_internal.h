/* glm_internal.h: internals of the model library, shared by its sources and its tests. */
#ifndef GLM_GLM_INTERNAL_H
#define GLM_GLM_INTERNAL_H

#include <stddef.h>
#include <stdio.h>
#include "glm/glm.h"

/* Result of a scan that met the end of input before any conversion, as EOF in stdio. */
#define GLM_EOF (-1)
/* Size of the readers' text buffer: tokens and line remainders hold at most 127 bytes. */
#define GLM_BUFFER_SIZE 128

/*
 * An in-memory input that the readers scan like a stdio stream. The conversions below
 * consume exactly what the C library's scanf family consumes for the same directives.
 */
typedef struct GlmStream {
    const char* data; /* bytes of the file; not owned */
    size_t size;      /* number of bytes */
    size_t pos;       /* next byte to read */
} GlmStream;

/* fscanf(s, "%127s", buf): 1, or GLM_EOF when only white space is left. */
int _glmScanToken(GlmStream* s, char* buf);
/* fgets(buf, 128, s): 1, or 0 at the end of input (buf is then left untouched). */
int _glmReadLine(GlmStream* s, char* buf);
/* Skips the rest of the line, however long, up to and including its newline. */
void _glmSkipLine(GlmStream* s);
/* The rest of the line for a name: its first 127 bytes as fgets gives them (empty at the end
 * of input); whatever of the line does not fit is skipped, never read as further tokens. */
void _glmReadRestOfLine(GlmStream* s, char* buf);
/*
 * The patterns the readers scan with, as fscanf formats: a face's corner in each of its four
 * forms (chosen from the face's first corner), and one to three floats.
 */
enum { GLM_FACE_VN, GLM_FACE_VTN, GLM_FACE_VT, GLM_FACE_V, GLM_SCAN_F1, GLM_SCAN_F2, GLM_SCAN_F3, GLM_PATTERN_COUNT };
/* "%d//%d", "%d/%d/%d", "%d/%d", "%d", "%f", "%f %f", "%f %f %f" */
extern const char* const _glmPatterns[GLM_PATTERN_COUNT];
/*
 * fscanf(s, _glmPatterns[pattern], ...): converted values go to ints (the corner patterns) or
 * floats in order; returns the number of conversions, or GLM_EOF when the input ended
 * before the first one.
 */
int _glmScan(GlmStream* s, int pattern, int* ints, float* floats);
/* sscanf(text, _glmPatterns[pattern], ...). */
int _glmScanString(const char* text, int pattern, int* ints, float* floats);
/* The form of a face whose first corner is `corner`: "//" in it, else what sscanf converts. */
int _glmFaceForm(const char* corner);
/* sscanf(buf, "%s", buf) in place: leaves the first word, or buf unchanged if there is none. */
int _glmFirstWord(char* buf);
/* sscanf(buf, "%s %s", buf, buf) in place: the second word when there are two, else the first. */
int _glmNameWord(char* buf);

/* Memory of the library: every failure to allocate prints one line and exits with status 1. */
void* _glmAlloc(size_t size);
void* _glmCalloc(size_t count, size_t size);
void _glmFree(void* block);
char* _glmStrdup(const char* text);
/* Writes one formatted line to `stream`, hands it to glmReportFatal and ends the process
 * with status 1. */
[[noreturn]] void _glmFail(FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
/* Ends the process with the given status (the fuzz build returns to its harness instead). */
[[noreturn]] void _glmExit(int status);

/* A whole file in memory: mapped where it is a regular file, else read into a block. */
typedef struct GlmFile {
    const char* data;
    size_t size;
    bool mapped;
} GlmFile;
/* Loads a file; false (errno set) when it cannot be read. */
bool _glmLoadFile(const char* path, GlmFile* file);
void _glmUnloadFile(GlmFile* file);

/* The OBJ reader's passes and its group list. */
void _glmFirstPass(GlmModel* model, GlmStream* file);
void _glmFillPass(GlmModel* model, GlmStream* file);
GlmGroup* _glmLookupGroup(GlmModel* model, const char* name);
GlmGroup* _glmEnsureGroup(GlmModel* model, const char* name);

/* The material library reader. */
void _glmReadMTL(GlmModel* model, const char* name);
int32_t _glmFindMaterial(GlmModel* model, const char* name);
char* _glmPathDirectory(const char* path);
void _glmFreeMaterials(GlmModel* model);

/* Small vector helpers of the geometry operations. */
float _glmAbsValue(float x);
float _glmLarger(float a, float b);
float _glmDot3(const float* a, const float* b);
void _glmCross3(const float* u, const float* w, float* out);
void _glmNormalize3(float* v);

#endif
