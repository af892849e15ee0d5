// eye_buffers.h: the left and right eye pictures drawn off screen, and how they reach the
// window: one framebuffer with a colour texture per eye and a shared depth buffer, the size of
// the drawable, composed into the window at the swap in one of the stereo outputs. The
// platform's OpenGL calls use them; nothing else does.
#ifndef SHELL_EYE_BUFFERS_H
#define SHELL_EYE_BUFFERS_H

#include <SDL2/SDL.h>

// Makes the buffers on the current context at the given size; contextStereo tells whether
// the context has stereo back buffers of its own (quad-buffer output draws straight into
// them). False, with one line on stderr saying why, when the context cannot have them (no
// framebuffer objects, or an incomplete framebuffer); the eyes are then drawn straight into
// the back buffers.
bool EyeBuffersStart(int width, int height, bool contextStereo);
// Whether a context of this version and extension list has what the buffers need.
bool EyeBuffersSupported(const char* version, const char* extensions);
// Deletes them (on the context they were made on, which must be current).
void EyeBuffersStop(void);
// Whether drawing goes to the eye buffers (not in quad-buffer output, not without them).
bool EyeBuffersActive(void);
// Whether an output (STEREO_* of platform.h) can be shown: quad buffer needs stereo buffers,
// the anaglyphs and the interlaced outputs the composing shader, the rest the eye buffers.
bool EyeBuffersOutputAvailable(int output);
// Follows a new drawable size (ignored for an empty one).
void EyeBuffersResize(int width, int height);
// Selects what drawing goes to: GL_BACK (both eyes), GL_BACK_LEFT or GL_BACK_RIGHT.
void EyeBuffersSelect(unsigned int buffer);
// The output and the eye swap (STEREO_* of platform.h).
void EyeBuffersSetOutput(int output, bool swapEyes);
// Size and pixels of one eye (0 left, 1 right), rows of RGBA bytes from the bottom up.
void EyeBuffersSize(int* width, int* height);
void EyeBuffersRead(int eye, unsigned char* rgba);
// One of the window's own back buffers (GL_BACK, GL_BACK_LEFT or GL_BACK_RIGHT), such as
// EyeBuffersCompose leaves it.
void EyeBuffersReadWindow(unsigned int buffer, int width, int height, unsigned char* rgba);
// Composes both eyes into the window's back buffer as the output says; screenX and screenY
// are the screen position of the window's top-left pixel (the interlaced outputs count
// rows and columns from the screen's corner). Drawing goes to the eyes again afterwards.
void EyeBuffersCompose(int screenX, int screenY);

#endif
