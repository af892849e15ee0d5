// file_watch.h: the kernel's notifications of changes to a model's files (the model, its
// libraries, its maps, and any library in the model's folder), turned into messages: a thread
// waits for them, so that an idle window uses no time.
#ifndef VIEWER_FILE_WATCH_H
#define VIEWER_FILE_WATCH_H

#include "glm/glm.h"
#include "shell/platform.h"

// Posted to the window when a watched file changed, once until TakeFileChange takes it: the
// changes meanwhile make no more messages.
#define WM_APP_FILE_CHANGED (WM_APP + 2)

// Watches the files of `model`, read from `path`, instead of those watched before.
void WatchModelFiles(HWND window, const char* path, const GlmModel* model);
bool WatchingFiles(void);
// Takes the change posted: true when the last write was done (the file closed after writing,
// or renamed into place), false while it may still be written.
bool TakeFileChange(void);

#endif
