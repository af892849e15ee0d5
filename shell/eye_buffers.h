// eye_buffers.h: the emulated left and right back buffers of a context without stereo
// buffers: an offscreen framebuffer with one colour buffer per eye and a shared depth
// buffer, the size of the drawable. The platform's OpenGL calls use them; nothing else does.
#ifndef SHELL_EYE_BUFFERS_H
#define SHELL_EYE_BUFFERS_H

#include <SDL2/SDL.h>

// Makes the buffers on the current context at the given size. False, with one line on
// stderr saying why, when the context cannot have them (no framebuffer objects, or an
// incomplete framebuffer); the eyes are then drawn straight into the back buffer.
bool EyeBuffersStart(int width, int height);
// Deletes them (on the context they were made on, which must be current).
void EyeBuffersStop(void);
bool EyeBuffersActive(void);
// Follows a new drawable size (ignored for an empty one).
void EyeBuffersResize(int width, int height);
// Selects what drawing goes to: GL_BACK (both eyes), GL_BACK_LEFT or GL_BACK_RIGHT.
void EyeBuffersSelect(unsigned int buffer);
// Size and pixels of one eye (0 left, 1 right), rows of RGBA bytes from the bottom up.
void EyeBuffersSize(int* width, int* height);
void EyeBuffersRead(int eye, unsigned char* rgba);
// Shows the frame in the window, as a stereo driver does on a display that is not in stereo
// mode: the left eye; then drawing goes to the eyes again.
void EyeBuffersPresent(SDL_Window* window);

#endif
