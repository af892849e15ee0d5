// model_session.h: the models of one session: the first read while the window is made, F5
// and changes on disk reading it again, a dropped file opened in its place; a load that fails
// ends the session only when it was the first.
#ifndef VIEWER_MODEL_SESSION_H
#define VIEWER_MODEL_SESSION_H

#include "shell/platform.h"

// Before the window: starts reading the model named at start.
void StartModelSession(const char* path);
// Once the window and its context are there: the model comes when it is read (at once where
// no read was started before the window: it is read now).
void ShowModelWhenLoaded(HWND window);
// F5: the shown model and its files read again from disk.
void ReloadModel(HWND window);
// The session's messages (a load's end, a file's change, a drop) and timers; the timer
// function says whether the timer was the session's.
void OnModelSessionMessage(HWND window, UINT message, WPARAM wParam);
bool OnModelSessionTimer(HWND window, UINT_PTR id);
// The end of the process: at once where a read or the watching still runs.
void EndModelSession(int status);

#endif
