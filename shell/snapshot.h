// snapshot.h: F12: the frame on screen saved as both eyes, as stereo pictures are kept: a JPS
// (one JPEG, the right eye on the left half) and an MPO (two JPEGs, the left eye first, with
// the Multi-Picture index of CIPA DC-007), in the user's pictures folder.
#ifndef SHELL_SNAPSHOT_H
#define SHELL_SNAPSHOT_H

#include <string>
#include <vector>
#include "shell/platform.h"

// A JPEG of rows of RGBA bytes, bottom row first; `app2` (may be empty) is written as an APP2
// marker after the JFIF header. Empty on failure.
std::vector<unsigned char> EncodeJpeg(const unsigned char* rgba, int width, int height, const std::vector<unsigned char>& app2);
// The JPS and the MPO of two eyes of the same size.
std::vector<unsigned char> MakeJps(const unsigned char* left, const unsigned char* right, int width, int height);
std::vector<unsigned char> MakeMpo(const unsigned char* left, const unsigned char* right, int width, int height);
// Saves two eyes' pictures of the same size, RGBA rows bottom first (null where they could not
// be read), as <folder>/<name>.jps and .mpo in the pictures folder, where name is the
// program's (and the model file's, where there is one) with the date and time; prints the
// paths, or shows why it could not.
void SaveStereoSnapshot(HWND window, const char* modelPath, const unsigned char* left, const unsigned char* right, int width,
                        int height);

#endif
