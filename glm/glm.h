/* glm.h: the OBJ model library: in-memory model, OBJ/MTL readers, geometry and drawing. */
#ifndef GLM_GLM_H
#define GLM_GLM_H

#include <stdint.h>

/*
 * What may run at once: reads (glmReadOBJ, glmTryReadOBJ) in any number of threads, each with
 * its own status; every other function on different models in different threads. One model is
 * used by one thread at a time, and the functions that draw or make textures on the thread
 * whose OpenGL context is current.
 *
 * Index bases, which every function here relies on:
 *  - vertexData, normalData and facetNormalData hold three floats per entry, texCoordData two;
 *    they are indexed from 1, as OBJ files are. Entry 0 is allocated, reads as zeros and is
 *    never written, so an array of n entries holds n + 1 entries' worth of floats.
 *  - triangles are indexed from 0, and groups list 0-based triangle indices;
 *  - materials are indexed from 0, and slot 0 is the real material "default".
 * The model owns every array and string it points to.
 */

/* Render-mode bits for glmDraw and glmCompileList. */
#define GLM_RENDER_FLAT 1u     /* one facet normal per triangle */
#define GLM_RENDER_SMOOTH 2u   /* one vertex normal per corner */
#define GLM_RENDER_TEXTURE 4u  /* one texture coordinate per corner */
#define GLM_RENDER_COLOR 8u    /* group diffuse colour as current colour, GL_COLOR_MATERIAL on */
#define GLM_RENDER_MATERIAL 16u /* group material as GL material, GL_COLOR_MATERIAL off */

typedef struct GlmTriangle {
    int32_t vertexIndex[3];   /* 1-based into vertexData, corners 0, 1, 2 */
    int32_t normalIndex[3];   /* 1-based into normalData; 0 when the face carries none */
    int32_t texCoordIndex[3]; /* 1-based into texCoordData; 0 when the face carries none */
    int32_t facetNormalIndex; /* 1-based into facetNormalData; own index + 1 once computed */
    int32_t materialIndex;    /* 0-based into materialArray: the material of the last usemtl
                                 line before the face (0 before any); glmDraw switches to it
                                 where it differs from the triangle drawn before */
} GlmTriangle;

/* A segment of an l line (a line of n corners makes n - 1), or a point of a p line. */
typedef struct GlmLine {
    int32_t vertexIndex[2];   /* 1-based into vertexData */
    int32_t materialIndex;    /* as a triangle's */
} GlmLine;

typedef struct GlmPoint {
    int32_t vertexIndex;      /* 1-based into vertexData */
    int32_t materialIndex;    /* as a triangle's */
} GlmPoint;

typedef struct GlmMaterial {
    char* name;         /* owned; "default" for slot 0; of a newmtl line of several words, the
                           second (the name that usemtl lines match by their own last word) */
    char* wholeName;    /* owned: the whole text of its newmtl line, which a usemtl line of
                           the same text matches first; null for slot 0 */
    float diffuse[4];   /* Kd; alpha the opacity: d, else 1 - Tr (where not every Tr is 1
                           with no d, the slip of exporters that write Tr as d); 1 opaque */
    float ambient[4];   /* Ka, alpha 1 */
    float specular[4];  /* Ks, alpha 1 */
    float emission[4];  /* Ke, alpha 1: light of its own, added to the lit colour; zero without */
    float shininess;    /* GL exponent 0..128 from Ns 0..1000 */
    char* textureMap;   /* owned: the file of its diffuse map (map_Kd) as found beside the
                           library, or null when it names none or it is not there */
    uint32_t texture;   /* OpenGL texture of that map once glmUploadTextures made it; 0: none */
    bool textureAlpha;  /* the map has an alpha channel: texels under one half are cut out */
    char* emissionMap;  /* owned: the file of its emission map (map_Ke) as found, or null */
    uint32_t emissionTexture; /* OpenGL texture of that map once made, times Ke (white where
                           Ke is black) added to the lit colour in place of Ke; 0: none */
    char* opacityMap;   /* owned: the file of its opacity map (map_d) as found, or null */
    bool blended;       /* the texture's alpha is its opacity (map_d's alpha or grey level,
                           put into the texture), blended as transparency, not cut out */
} GlmMaterial;

typedef struct GlmGroup {
    char* name;               /* owned; group name from a g line, or "default" */
    uint32_t triangleCount;   /* entries in triangleIndices */
    int32_t* triangleIndices; /* owned; 0-based indices into triangleArray, file order */
    int32_t materialIndex;    /* 0-based index into materialArray */
    struct GlmGroup* next;    /* next (older) group, or null */
} GlmGroup;

typedef struct GlmModel {
    char* objPath;            /* owned copy of the file name given to glmReadOBJ */
    char* libraryName;        /* owned name from the last mtllib line, or null */
    uint32_t vertexCount;     /* number of vertices */
    float* vertexData;        /* owned, (vertexCount + 1) * 3 floats; always allocated */
    uint32_t normalCount;     /* number of normals */
    float* normalData;        /* owned, (normalCount + 1) * 3 floats, or null */
    uint32_t texCoordCount;   /* number of texture coordinates */
    float* texCoordData;      /* owned, (texCoordCount + 1) * 2 floats, or null */
    uint32_t facetNormalCount; /* number of facet normals (triangleCount once computed) */
    float* facetNormalData;   /* owned, (facetNormalCount + 1) * 3 floats, or null */
    uint32_t triangleCount;   /* number of triangles */
    GlmTriangle* triangleArray; /* owned, triangleCount records, 0-based */
    uint32_t lineCount;       /* segments of l lines, drawn after the triangles */
    GlmLine* lineArray;       /* owned, lineCount records, or null */
    uint32_t pointCount;      /* points of p lines, drawn after the segments */
    GlmPoint* pointArray;     /* owned, pointCount records, or null */
    float* colorData;         /* owned, (vertexCount + 1) * 3 floats (0 to 1) where the file's
                                 first v line gives a colour after its position, else null;
                                 a vertex without one is white */
    uint32_t materialCount;   /* materials including "default"; 0 without a library */
    GlmMaterial* materialArray; /* owned, materialCount records, or null */
    uint32_t groupCount;      /* number of groups */
    GlmGroup* groupList;      /* owned list, newest group first, "default" last */
    float drawOffset[3];      /* translation glmDraw applies around the model; (0, 0, 0) */
    uint32_t missingLibraries; /* mtllib lines none of whose libraries could be read */
    struct GlmImageLoads* imageLoads; /* the maps being decoded on other cores; internal */
    struct GlmNameSlots* materialNames; /* the materials by name and by whole name; internal */
    uint32_t libraryPathCount; /* libraries read, each once */
    char** libraryPaths;      /* owned: their files as found */
} GlmModel;

/*
 * glmReadOBJ: reads a Wavefront OBJ file, and the material libraries it names, into a new
 * model that the caller owns. Never returns null: a file that cannot be read, an unknown
 * keyword beginning with v, an index outside its array, a non-finite vertex position or a
 * lack of memory prints one line and ends the process with exit status 1. A library that
 * cannot be read, or a texture map that is not there, is a warning on stderr: the model is
 * read without it. The maps found start decoding on other cores while the model is read.
 * Polygons that are not convex are cut into triangles by ear clipping in their own plane;
 * convex ones make a fan from their first corner.
 */
GlmModel* glmReadOBJ(const char* fileName);
/*
 * How a read goes, for glmTryReadOBJ. `done` counts the bytes of the file that the reader's
 * two passes went over so far (up to `total`, twice the file's size once it is open); another
 * thread may watch both with __atomic_load_n while the read runs.
 */
typedef struct GlmReadStatus {
    uint64_t done;
    uint64_t total;
    int abandon;         /* 0 when the read starts (clear the whole status first); set by
                            another thread (__atomic_store_n) to give up a read that waits for
                            a stream (a pipe or FIFO whose writer is slow or absent): it then
                            fails with the line that it was abandoned */
    bool onStdout;       /* the failure's line goes to standard output, not standard error */
    char message[8192];  /* the failure's one line, newline included, as glmReadOBJ prints it */
} GlmReadStatus;
/*
 * glmTryReadOBJ: glmReadOBJ without ending the process: where glmReadOBJ would print its line
 * and exit, it frees everything the read made, closes what it opened, and returns null with
 * the line in status->message (printed nowhere), whether the refusal came from the calling
 * thread or one of the threads the read runs on. A model or library that is not a regular
 * file is read as a stream, waiting for its writer however long it takes (see `abandon`).
 * Warnings are printed as by glmReadOBJ; the
 * model's maps keep decoding as glmReadOBJ leaves them. Running out of memory still prints
 * one line and ends the process.
 */
GlmModel* glmTryReadOBJ(const char* fileName, GlmReadStatus* status);
/* glmWaitForMaps: waits until the model's maps are decoded (glmUploadTextures then only
 * uploads them); needs no OpenGL context. */
void glmWaitForMaps(GlmModel* model);

/* glmDelete: frees a model and everything it owns. Accepts null. */
void glmDelete(GlmModel* model);

/*
 * glmFitUnitCube: centres the vertices on the origin and scales them to fit the cube from
 * -1 to 1; returns the scale applied. Changes only vertexData. With no vertices, or with
 * every vertex on one point, nothing is scaled and 1.0 is returned.
 */
float glmFitUnitCube(GlmModel* model);

/* glmComputeFacetNormals: one unit normal per triangle (right-hand rule); replaces
 * facetNormalData and sets every facetNormalIndex. A degenerate triangle gets (0, 0, 0). */
void glmComputeFacetNormals(GlmModel* model);

/*
 * glmVertexNormals: per-corner normals shared between facets that meet the vertex's
 * reference facet (that of the highest triangle using the vertex) at less than `angle`
 * degrees, copied per triangle elsewhere. Uses the facet normals where glmComputeFacetNormals
 * made them, else works each out as it would, without keeping them (a large model then never
 * holds them). Replaces normalData and every normalIndex.
 * Prints "glmVertexNormals(): vertex w/o a triangle" (stderr) per unused vertex and the
 * number of normals generated (stdout).
 */
void glmVertexNormals(GlmModel* model, float angle);

/*
 * glmOrientParts: turns round (corners 1 and 2 swapped, with their normal and texture
 * indices) the triangles of each connected part that is clearly wound inward: most of its
 * area carries normals and three quarters of that area is wound against them; or, where
 * most of it carries none, it is a closed surface of negative volume (where such parts hold
 * more than two million triangles in all, none of them is judged). A part that agrees, or is
 * open, is untouched.
 * Returns the number of triangles turned. Use before normals are computed.
 */
uint32_t glmOrientParts(GlmModel* model);

/* glmPointsOfVertices: for a model with no triangle, segment or point, a point for each
 * vertex (material 0), so that a file of vertices alone draws as its points. */
void glmPointsOfVertices(GlmModel* model);

/*
 * glmDraw: sends the model's triangles as one GL_TRIANGLES batch under `mode` (GLM_RENDER_* bits).
 * Bits that ask for missing data or exclude each other are cleared with a warning on
 * stdout. Needs a current OpenGL context; not between glBegin and glEnd.
 */
void glmDraw(const GlmModel* model, uint32_t mode);

/*
 * glmUploadTextures: waits for the model's maps to be decoded and makes an OpenGL texture of
 * each (mipmapped, filtered, repeating; resized where the driver needs it), freeing its
 * pixels. A map that cannot be decoded is a warning on stderr, and its material keeps its
 * colour. Needs a current OpenGL context. glmDraw in texture mode then binds each
 * material's texture (and cuts out the texels of an alpha map under one half).
 */
void glmUploadTextures(GlmModel* model);

/* glmCompileList: records glmDraw(model, mode) in a new display list, which the caller
 * owns and deletes with glDeleteLists; then the model's segments (one pixel wide) and points
 * (three across), unlit, in their materials' colours, and its vertex colours where it has them
 * (times the diffuse colour in material mode, through colour material). */
uint32_t glmCompileList(const GlmModel* model, uint32_t mode);

/*
 * A draw of a model sent in parts, for a model too large to draw between two messages: the
 * parts together draw the pixels that glmCompileList's list draws (the same triangles in the
 * same order, from vertex arrays), whatever else is drawn between them. glmStartDraw repairs
 * the mode as glmDraw does; glmDrawSome sends the next `triangles` triangles, with the model's
 * matrix, colour mode, material and texture set again first, and says whether the model is
 * now drawn whole; glmEndDraw frees the pass (null accepted). The model must stay unchanged
 * while a pass over it is open.
 */
typedef struct GlmDrawPass GlmDrawPass;
/* Whether a draw under `mode` has see-through triangles (a Kd alpha under 1, or a blended
 * texture), drawn far to near in the view a draw starts in: no display list keeps that order. */
bool glmDrawsSorted(const GlmModel* model, uint32_t mode);
GlmDrawPass* glmStartDraw(const GlmModel* model, uint32_t mode);
bool glmDrawSome(GlmDrawPass* pass, uint32_t triangles);
void glmEndDraw(GlmDrawPass* pass);

/*
 * glmSimplify: a coarse copy of the model for drawing while it moves, of about `triangles`
 * triangles, segments and points at most: its vertices merged on a grid (each cell's vertices
 * become their mean, and their mean colour), the triangles left with three distinct corners
 * kept once each with their materials, groups, normals and texture coordinates, and the
 * segments left with two and the points kept once each with their materials. Needs vertex normals where the copy is to be drawn smooth.
 * The copy's materials are the model's (names and colours; `texture` copied as it stands, and
 * no maps of their own). Null where no grid brings the model under `triangles` or the copy
 * would keep nothing (a model of one point). Needs no OpenGL context.
 */
GlmModel* glmSimplify(const GlmModel* model, uint32_t triangles);

#endif
