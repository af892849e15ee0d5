// folders.h: the user's folders: home, configuration and pictures, and making folders.
#ifndef SHELL_FOLDERS_H
#define SHELL_FOLDERS_H

#include <string>

// The user's home folder, and the folder of the user's configuration: $XDG_CONFIG_HOME, else
// ~/.config.
std::string HomeFolder(void);
std::string ConfigFolder(void);
// The user's pictures folder: XDG_PICTURES_DIR of ~/.config/user-dirs.dirs, else ~/Pictures.
std::string PicturesFolder(void);
// Makes a folder and the ones above it that are missing; false when one cannot be made.
bool MakeFolders(const std::string& path);

#endif
