// progress.h: a load's progress as Tavrin draws it over each eye.
#ifndef VIEWER_PROGRESS_H
#define VIEWER_PROGRESS_H

// Draws "Reading <file name>" over a bar filled to `done` (0 to 1) in the current viewport;
// leaves the matrices and the enabled state as it found them.
void DrawLoadProgress(const char* path, float done);

#endif
