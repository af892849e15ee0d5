// gl_recorder.cpp: the OpenGL calls of glmDraw, recorded instead of drawn, for the fuzz target.
// Each call reads every value it is given, so that the sanitizers see any read outside the
// model's arrays, and the recorder aborts on calls out of order.
#include <GL/gl.h>
#include <stdlib.h>

namespace {

bool inBegin = false, inList = false;
GLenum primitive = 0;
unsigned long vertices = 0;
int attribDepth = 0;
volatile float sink;

void read(const float* values, int n) {
    float sum = 0;
    for (int i = 0; i < n; i++) sum += values[i];
    sink = sum;
}

void expect(bool condition) {
    if (!condition) abort();
}

}  // namespace

extern "C" {

void glEnable(GLenum) { expect(!inBegin); }
void glDisable(GLenum) { expect(!inBegin); }
void glPushMatrix(void) { expect(!inBegin); }
void glPopMatrix(void) { expect(!inBegin); }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    expect(!inBegin);
    sink = x + y + z;
}
void glBegin(GLenum mode) {
    expect(!inBegin && (mode == GL_TRIANGLES || mode == GL_LINES || mode == GL_POINTS));
    inBegin = true;
    primitive = mode;
    vertices = 0;
}
void glEnd(void) {
    // whole triangles and segments only
    expect(inBegin && vertices % (primitive == GL_TRIANGLES ? 3 : primitive == GL_LINES ? 2 : 1) == 0);
    inBegin = false;
}
void glMaterialfv(GLenum, GLenum, const GLfloat* values) { read(values, 4); }
void glMaterialf(GLenum, GLenum, GLfloat value) { sink = value; }
void glColor3fv(const GLfloat* values) { read(values, 3); }
void glColor4fv(const GLfloat* values) { read(values, 4); }
void glColorMaterial(GLenum, GLenum) { expect(!inBegin); }
void glLineWidth(GLfloat) { expect(!inBegin); }
void glBlendFunc(GLenum, GLenum) { expect(!inBegin); }
void glDepthMask(GLboolean) { expect(!inBegin); }
void glDepthFunc(GLenum) { expect(!inBegin); }
void glEnableClientState(GLenum) {}
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { sink = r + g + b; }
void glGetFloatv(GLenum, GLfloat* values) {
    for (int i = 0; i < 16; i++) values[i] = i % 5 == 0 ? 1.0f : 0.0f;
}
void glPointSize(GLfloat) { expect(!inBegin); }
void glPushAttrib(GLbitfield) {
    expect(!inBegin);
    attribDepth++;
}
void glPopAttrib(void) {
    expect(!inBegin && attribDepth-- > 0);
}
void glNormal3fv(const GLfloat* values) { read(values, 3); }
void glTexCoord2fv(const GLfloat* values) { read(values, 2); }
void glVertex3fv(const GLfloat* values) {
    expect(inBegin);
    read(values, 3);
    vertices++;
}
// vertex arrays: the interleaved corners that glDrawArrays reads
const float* arrayCorners = nullptr;
GLsizei arrayStride = 0;
int arrayFloats = 8;
void glPushClientAttrib(GLbitfield) { expect(!inBegin); }
void glPopClientAttrib(void) { expect(!inBegin); }
void glInterleavedArrays(GLenum format, GLsizei stride, const void* pointer) {
    expect((format == GL_T2F_N3F_V3F || format == GL_T2F_C4F_N3F_V3F) && stride % sizeof(float) == 0);
    arrayFloats = format == GL_T2F_N3F_V3F ? 8 : 12;
    arrayCorners = static_cast<const float*>(pointer);
    arrayStride = stride / static_cast<GLsizei>(sizeof(float));
}
void glDisableClientState(GLenum) {}
void glBindTexture(GLenum, GLuint) { expect(!inBegin); }
void glAlphaFunc(GLenum, GLclampf) { expect(!inBegin); }
void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    expect(!inBegin && mode == GL_TRIANGLES && first == 0 && count % 3 == 0 && arrayCorners);
    for (GLsizei i = 0; i < count; i++) read(arrayCorners + static_cast<size_t>(i) * arrayStride, arrayFloats);
}
GLuint glGenLists(GLsizei) { return 1; }
void glNewList(GLuint, GLenum) {
    expect(!inList);
    inList = true;
}
void glEndList(void) {
    expect(inList && !inBegin);
    inList = false;
}
}
