// light.h: the light on the model, the head light or the studio light (F4), kept in the
// settings file.
#ifndef VIEWER_LIGHT_H
#define VIEWER_LIGHT_H

#include "shell/platform.h"

// The remembered light, once the context is there.
void SetupLight(void);
// The light `studioLight` chooses, sent to OpenGL.
void SendLight(void);
// F4: the other light, kept for the next start and named in the title.
void ToggleLight(HWND window);

#endif
