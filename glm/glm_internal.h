/* glm_internal.h: internals of the model library, shared by its sources and its tests. */
#ifndef GLM_GLM_INTERNAL_H
#define GLM_GLM_INTERNAL_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/types.h>
#include <time.h>
#include <atomic>
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
/* Skips white space (the C locale's). */
void _glmSkipSpace(GlmStream* s);
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
/* _glmScan with a face form's pattern, for counting: consumes the same, converts nothing. */
int _glmSkipCorner(GlmStream* s, int form);
/* One corner of a face after its first: _glmScan with the form's pattern (or _glmSkipCorner
 * where `values` is null) within the next word alone, so that an empty field ("2//", "2/1/")
 * takes nothing of the corner after it; a corner that converted is taken whole. */
int _glmScanCorner(GlmStream* s, int form, int* values);
/* The form of a face whose first corner is the `length` bytes at `corner` (read as a C string,
 * up to a NUL): "//" in it, else what sscanf converts with "%d/%d/%d"; the corner's values
 * go to `values` as the form's pattern converts them. */
int _glmFaceForm(const char* corner, size_t length, int* values);
/* Reads a face's first corner, the token after the keyword in `keyword`, and returns the
 * face's form with the corner's values (as _glmScanToken and then _glmFaceForm on the token
 * buffer would, which still holds the keyword at the end of input). */
int _glmFirstCorner(GlmStream* s, const char* keyword, int* values);
/* The rest of the line, however long, without the white space at either end (not a C string:
 * `length` bytes at *text); the stream moves past the line's newline. */
size_t _glmLineText(GlmStream* s, const char** text);
/* sscanf(buf, "%s", buf) in place: leaves the first word, or buf unchanged if there is none. */
int _glmFirstWord(char* buf);
/* sscanf(buf, "%s %s", buf, buf) in place: the second word when there are two, else the first. */
int _glmNameWord(char* buf);
/* A name line's whole text: `line` without the white space at either end, into `whole` (of
 * GLM_BUFFER_SIZE bytes, and may be `line` itself). */
void _glmWholeName(const char* line, char* whole);

/* A whole file in memory: mapped where it is a regular file, else read into a block. */
typedef struct GlmFile {
    const char* data;
    size_t size;
    bool mapped;
    int fd;                   /* kept open while it is mapped, to tell whether it changed */
    int watchSlot;            /* its slot in the table the bus-error handler reads, or -1 */
    const char* path;         /* not owned */
    const char* reporter;     /* the function that names it in a message */
    off_t fileSize;           /* size and time of change when it was opened */
    struct timespec modified;
    struct GlmFile* nextOpen; /* the read's next file open now */
} GlmFile;

/*
 * One read under way: what every step that can refuse the file is given. The first refusal
 * writes its line into the status and sets `failed`; each step then returns at once, and
 * each level frees what it made on the way out (the model by glmDelete). A refusal may come
 * from any of the read's threads. Running out of memory is not a refusal: it ends the process.
 */
typedef struct GlmRead {
    GlmReadStatus* status;
    GlmModel* model;          /* the model being read, once made */
    GlmFile* openFiles;       /* loaded and not yet unloaded, newest first */
    std::atomic<bool> failed;
    std::atomic<bool> ignoredIndices; /* faces named texture coordinates or normals it has none of */
    std::atomic_flag claimed; /* taken by the first refusal, which alone writes the line */
} GlmRead;
/* A read that has refused nothing yet, its refusal to go to `status`. */
void _glmStartRead(GlmRead* read, GlmReadStatus* status);
/* Refuses the file: the line (formatted, newline included) goes to the status, for `stream`.
 * Where one of the read's files changed since it was opened, the change is given as the
 * cause instead. Only the first refusal of a read counts. */
void _glmFail(GlmRead* read, FILE* stream, const char* format, ...) __attribute__((format(printf, 3, 4)));
/* Adds to the bytes the read went over. */
void _glmAddProgress(GlmRead* read, uint64_t bytes);

/* Memory of the library. A failure to allocate prints one line and ends the process. */
void* _glmAlloc(size_t size);
void* _glmCalloc(size_t count, size_t size);
void _glmFree(void* block);
/* A block made smaller (to `size` bytes); the block itself where it cannot be. */
void* _glmShrink(void* block, size_t size);
char* _glmStrdup(const char* text);
/* Asks for huge pages for the whole ones inside a block of 8 MB or more (fewer page faults). */
void _glmAdviseHugePages(void* block, size_t size);
/* Ends the process with the given status once what it printed is out, without running the
 * exit handlers under threads that may still be decoding maps. */
[[noreturn]] void _glmExit(int status);

/* Opens a file into memory; false when it cannot (errno set: EFBIG for a file that is not
 * regular and brings more than half the memory the process may have; ECANCELED for a stream
 * given up while it was waited for, once *abandon is set). */
bool _glmOpenFile(const char* path, GlmFile* file, const int* abandon);
/* Whether the file changed while it was read (it shrank under its mapping, or its size or
 * time of change differ from when it was opened). */
bool _glmFileChanged(const GlmFile* file);
void _glmCloseFile(GlmFile* file);

/* Opens a file for the read, which keeps it among its open files; false when it cannot be
 * opened (errno set), and refused where it is larger than the machine can read. */
bool _glmLoadFile(GlmRead* read, const char* path, GlmFile* file, const char* reporter);
/* Refuses the read, and returns false, when the file changed while it was read. */
bool _glmCheckFile(GlmRead* read, const GlmFile* file);
void _glmUnloadFile(GlmRead* read, GlmFile* file);

/* A table of names by hash, open addressing. The hash is keyed anew in each process, so that
 * no file can hold names made to collide. */
uint32_t _glmNameHash(const char* name);
typedef struct GlmNameSlots {
    uint64_t* slots;      /* an entry's hash above its number + 1, or 0 */
    uint32_t slotCount;  /* a power of two, more than twice the entries */
} GlmNameSlots;

/* The groups while a model is read: by number, in order of creation (the model's list runs
 * from the newest to the oldest), and by name. */
typedef struct GlmGroupIndex {
    GlmGroup** groups;   /* by number */
    uint32_t count;      /* groups made */
    uint32_t room;       /* entries of `groups` */
    GlmNameSlots names;
} GlmGroupIndex;
/* The number of the group named `name`, or -1 when there is none. */
int64_t _glmFindGroup(const GlmGroupIndex* index, const char* name);
/* The number of the group named `name`; a new one goes at the head of the model's list. */
uint32_t _glmEnsureGroup(GlmModel* model, GlmGroupIndex* index, const char* name);
void _glmFreeGroupIndex(GlmGroupIndex* index);
/* The material table by name (the first of each name), made once the table is read. */
void _glmIndexMaterials(GlmModel* model);

/*
 * The OBJ reader reads each of its two passes in chunks, a thread a chunk. A chunk reads the
 * statements that start before its limit, from a line start it guessed; afterwards each chunk
 * is checked against the one before it (where that one really stopped, and what it left
 * current), and from the first that does not fit, the one before it reads on to the end alone.
 */

/* What the counting pass meets that must be handled in file order. */
enum { GLM_EVENT_START, GLM_EVENT_GROUP, GLM_EVENT_LIBRARY, GLM_EVENT_UNKNOWN };
typedef struct GlmEvent {
    int kind;
    size_t pos;         /* the rest of its line (for an unknown keyword, the keyword) */
    uint64_t triangles; /* triangles of the faces after it, up to the next event */
    uint32_t group;     /* the group those faces go to, by number in order of creation */
} GlmEvent;

/* A group a chunk meets while it fills, and where its triangles go. A chunk keeps a table of
 * its own groups only, ordered by number, so that a file of many groups in many chunks takes
 * no more than in one. */
typedef struct GlmChunkGroup {
    uint32_t number;     /* the group's number in the model's index */
    uint32_t start;      /* the first slot of its triangleIndices this chunk fills */
    uint32_t cursor;     /* the next one */
    uint32_t limit;      /* and how far this chunk may go */
    int32_t material;    /* the material this chunk gave it last, or -1 */
} GlmChunkGroup;
typedef struct GlmChunkGroups {
    GlmChunkGroup* entries;
    uint32_t count;
} GlmChunkGroups;

/* What the passes count and fill in file order, each into an array of its own: vertices,
 * texture coordinates, normals (indexed 0, 1, 2 as in a face's corner), segments of l lines
 * and points of p lines. */
enum { GLM_ENTRY_SEGMENT = 3, GLM_ENTRY_POINT = 4, GLM_ENTRY_KINDS = 5 };
/* The filling pass's state: where it is and what is current. A chunk filled alongside others
 * reports nothing: at the first thing wrong it stops (`bailed`), to be filled again alone, in
 * its turn, where it reports now (`reportNow`) and the read fails. */
typedef struct GlmFill {
    bool reportNow;          /* reads on to the end alone: what goes wrong refuses the read */
    bool bailed;             /* met something wrong: stopped */
    size_t pos;              /* the next statement's start */
    uint32_t filled[GLM_ENTRY_KINDS]; /* the entries of each kind read so far (whole file) */
    uint32_t limits[GLM_ENTRY_KINDS]; /* and how far this chunk may go */
    uint32_t triangles;      /* the next triangle's index */
    uint32_t triangleLimit;  /* and how far this chunk may go */
    uint32_t group;          /* the current group's number */
    uint32_t groupEntry;     /* and its entry in `groups` */
    int32_t material;        /* the current material, from the last usemtl line */
    GlmChunkGroups groups;   /* owned by the chunk */
    size_t* unknownMaterials; /* usemtl lines naming no material, reported in turn; owned */
    uint32_t unknownCount, unknownRoom;
    const GlmGroupIndex* index; /* the groups by number and name; shared */
    GlmRead* read;           /* the read it belongs to; shared */
} GlmFill;

typedef struct GlmChunk {
    size_t begin;            /* the line start it guessed */
    size_t first;            /* its first statement's start (after white space) */
    size_t limit;            /* it reads the statements that start before this */
    size_t pos;              /* where the counting stopped: the next statement's start */
    bool stopped;            /* the counting met an unknown keyword (its last event) */
    uint64_t counts[GLM_ENTRY_KINDS];
    uint64_t triangles;
    GlmEvent* events;        /* in file order; the first is GLM_EVENT_START */
    uint32_t eventCount, eventCapacity;
    size_t materialLine;     /* the rest of its last usemtl line, or SIZE_MAX */
    int colors;              /* whether its first v line gives a colour: 1, 0, or -1 (none) */
    GlmFill fill, start;     /* the filling state, and what it started from (its groups' table
                                and unknown names are the filling's) */
} GlmChunk;

/* The statements of a chunk: one walk serves both passes. */
/* Counts a chunk's statements from chunk->pos on, up to its limit. */
void _glmCountChunk(GlmRead* read, const GlmStream* file, GlmChunk* chunk);
/* Fills from state->pos on, up to `limit`, into the arrays the counts sized; from a mapped
 * file, giving back the pages it read. */
void _glmFillChunk(GlmRead* read, const GlmStream* file, GlmFill* state, size_t limit, bool mapped);
/* Refuses the file unless the filling, ending in `state`, read every entry and triangle the
 * counting found. */
bool _glmCheckFilled(GlmRead* read, const GlmFill* state);
/* The entry of group `number` in a chunk's table, or -1 when the chunk did not count it. */
int64_t _glmChunkGroup(const GlmChunkGroups* groups, uint32_t number);

/* How many times a pass so far ended with a chunk reading on to the end alone (for the tests). */
extern std::atomic<uint32_t> _glmChunksReadOnAlone;
/* Reads a whole file's two passes in up to `wanted` chunks into read->model: its counts,
 * arrays and groups, filled and checked; returns with read->failed set where it refuses it. */
void _glmReadInChunks(GlmRead* read, const GlmStream* file, int wanted, bool mapped);

/*
 * The continuation mark, between the filling pass and the polygon cutter. A face of n corners
 * is filled as a fan of n - 2 triangles in consecutive slots; the first keeps facetNormalIndex
 * 0 and each one after it is marked with GLM_CONTINUES_FACE, so that the cutter, once the
 * whole model is read, finds each polygon as a run: a triangle not marked and the marked ones
 * after it. _glmClipConcaveFaces clears every mark (to 0) before the model is handed out;
 * nothing else ever sees one.
 */
#define GLM_CONTINUES_FACE (-1)
/* Cuts every polygon that is not convex anew by ear clipping in its own plane, into the
 * same triangles' places; convex ones keep their fan. */
void _glmClipConcaveFaces(GlmModel* model);
/* glmReadOBJ with `chunks` chunks (0: as the machine's cores and the file's size suit). */
GlmModel* _glmReadOBJInChunks(const char* fileName, int chunks);
/* glmTryReadOBJ with `chunks` chunks. */
GlmModel* _glmTryReadOBJInChunks(const char* fileName, int chunks, GlmReadStatus* status);

/* The maps a material may name, each decoded in a slot of its own: kind * materialCount +
 * material. */
enum { GLM_MAP_DIFFUSE, GLM_MAP_EMISSION, GLM_MAP_OPACITY, GLM_MAP_KINDS };
/* The file of a material's map of one kind, or null (an opacity map that is the diffuse map
 * is not decoded twice: null). */
const char* _glmMapOf(const GlmMaterial* material, int kind);
/* The material library reader: the libraries one mtllib line names (the rest of its line). */
/* True when it had nothing to say: every library it read was found, and every map. */
bool _glmReadMTL(GlmRead* read, const char* line);
int32_t _glmFindMaterial(GlmModel* model, const char* name);
/* The material's index, or -1 (silently) when the model has none of that name. */
int32_t _glmLookupMaterial(const GlmModel* model, const char* name);
/* The material a usemtl line names, from the rest of its line (which is left holding the name
 * by the last-word rule): the first whose newmtl line reads the same whole, else the first of
 * that name; 0 for an empty line, -1 (silently) for none. */
int32_t _glmLookupUsedMaterial(const GlmModel* model, char* line);
char* _glmPathDirectory(const char* path);
/* The regular file that `written` names relative to `dir` (which ends in '/' or is empty): as
 * written; else with backslashes as separators and, where a name is absent, one that differs
 * from it in letter case only; else its bare file name in `dir`. Null when none is there. */
char* _glmFindFile(const char* dir, const char* written);
/* A map, found as _glmFindFile finds it, else by its bare name in a folder textures, Textures,
 * texture or tex beside `dir` or beside the folder above it. */
char* _glmFindMap(const char* dir, const char* written);

/* A decoded map: its mip levels one after another, each bottom row first, from
 * width x height down to 1 x 1; three bytes a texel (RGB), or four (RGBA) with alpha. */
typedef struct GlmImage {
    int width, height;
    int channels;
    unsigned char* pixels;   /* null when it could not be decoded */
    int32_t duplicateOf;     /* the earlier slot of its kind whose map is the same file, or -1 */
    char failure[160];       /* why not */
} GlmImage;
/* Decodes a file (PNG, JPEG, TGA, BMP and what else the image library knows) with its mip
 * levels; false with `failure` set when it cannot. */
bool _glmDecodeImage(const char* path, GlmImage* image);
/* A BMP, TGA (`tga`: the file is named so) or GIF, by SDL2_image, into an image's first level
 * with room for its mip levels; closes the file. False with `failure` set where it cannot,
 * also where the picture has more than `maximumTexels` texels. */
bool _glmDecodeOtherImage(FILE* file, bool tga, uint64_t maximumTexels, GlmImage* image);
/* Makes the levels after the first from it, each a box filter of the one before. */
void _glmBuildMipmaps(GlmImage* image);
/* The bytes of all the levels of a width x height image. */
size_t _glmMipmapBytes(int width, int height, int channels);
/* Starts decoding every material's map on other cores. */
void _glmStartImages(GlmModel* model);
/* Waits for them: one image per material (pixels null where it has no map), or null when no
 * decoding was started. The model keeps them until _glmFreeImages. */
GlmImage* _glmWaitImages(GlmModel* model);
void _glmFreeImages(GlmModel* model);
/* The bytes a model's maps may hold together; 0: a quarter of the memory the process may have
 * (the tests set a smaller one). Past it, maps keep only their smaller levels. */
extern uint64_t _glmMapBudget;
/* The budget that the model's maps went past (some keep only their smaller levels), or 0. */
uint64_t _glmReducedMapBudget(const GlmModel* model);
void _glmFreeMaterials(GlmModel* model);

/* glmVertexNormals in `parts` parts on the machine's cores (glmVertexNormals picks them). */
void _glmVertexNormalsInParts(GlmModel* model, float angle, int parts);

/* Small vector helpers of the geometry operations. */
float _glmLarger(float a, float b);
float _glmDot3(const float* a, const float* b);
void _glmCross3(const float* u, const float* w, float* out);
void _glmNormalize3(float* v);

#endif
