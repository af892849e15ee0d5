// progress.cpp: the load's progress drawn into an eye: a bar across the middle of the window
// and the file's name above it, the same in both eyes, so that it lies on the screen's plane
// and shows in every output.
#include "viewer/progress.h"
#include <GL/gl.h>
#include <string.h>
#include "viewer/fixed_font.h"

namespace {

void drawText(const char* text, int x, int y) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glRasterPos2i(x, y);
    for (const char* c = text; *c; c++) {
        unsigned char code = static_cast<unsigned char>(*c);
        const unsigned char* glyph = fixedFont[(code < ' ' || code > '~' ? '?' : code) - ' '];
        unsigned char rows[fixedFontHeight];  // bottom row first, as glBitmap reads them
        for (int r = 0; r < fixedFontHeight; r++) rows[r] = glyph[fixedFontHeight - 1 - r];
        glBitmap(fixedFontWidth, fixedFontHeight, 0, 0, fixedFontWidth, 0, rows);
    }
}

void rectangle(GLenum mode, float x0, float y0, float x1, float y1) {
    glBegin(mode);
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
    glEnd();
}

}  // namespace

void DrawLoadProgress(const char* path, float done) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2], height = viewport[3];
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_ALPHA_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, width, 0, height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    const float left = width * 0.15f, right = width * 0.85f, bottom = height * 0.5f - 6, top = height * 0.5f + 6;
    glColor3f(0.1f, 0.1f, 0.1f);
    rectangle(GL_QUADS, left, bottom, right, top);
    glColor3f(0.35f, 0.6f, 1.0f);
    rectangle(GL_QUADS, left, bottom, left + (right - left) * (done < 0 ? 0 : done > 1 ? 1 : done), top);
    glColor3f(0.8f, 0.8f, 0.8f);
    rectangle(GL_LINE_LOOP, left - 1, bottom - 1, right + 1, top + 1);
    // the name without its folders, as wide as the bar allows
    const char* slash = strrchr(path, '/');
    char line[256] = "Reading ";
    strncat(line, slash ? slash + 1 : path, sizeof line - strlen(line) - 1);
    int fits = static_cast<int>((right - left) / fixedFontWidth);
    if (fits < 0) fits = 0;
    if (static_cast<int>(strlen(line)) > fits) line[fits] = '\0';
    drawText(line, static_cast<int>(left), static_cast<int>(top) + 8);

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}
