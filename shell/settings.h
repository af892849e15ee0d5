// settings.h: what the programs keep between starts: the chosen way of showing the eyes, the
// eye swap and the light, in one small file per program, $XDG_CONFIG_HOME/<program>/stereo (else under
// ~/.config).
#ifndef SHELL_SETTINGS_H
#define SHELL_SETTINGS_H

#include <string>

// The settings file's path.
std::string StereoSettingsPath(void);
// The remembered output and swap: true where the file names an output this display can show.
// A file that is damaged, unreadable or names another is ignored with one line on stderr.
bool LoadStereoSettings(int* output, bool* swapped);
// Keeps them, with `studioLight`: a temporary file renamed over the old one. A failure is one
// line on stderr.
void SaveStereoSettings(int output, bool swapped);
// The user's light for the model (Tavrin's F4): the studio light, else the head light; read
// by LoadStereoSettings (a file without it: the head light).
extern bool studioLight;
#endif
