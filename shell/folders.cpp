// folders.cpp: the user's folders.
#include "shell/folders.h"
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

bool MakeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        if (mkdir(path.substr(0, slash).c_str(), 0755) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

std::string HomeFolder(void) {
    const char* home = getenv("HOME");
    return home ? home : ".";
}

std::string ConfigFolder(void) {
    const char* config = getenv("XDG_CONFIG_HOME");
    return config && config[0] == '/' ? config : HomeFolder() + "/.config";
}

std::string PicturesFolder(void) {
    const std::string homeFolder = HomeFolder(), dirs = ConfigFolder() + "/user-dirs.dirs";
    if (FILE* f = fopen(dirs.c_str(), "r")) {
        char line[1024];
        std::string found;
        while (fgets(line, sizeof line, f)) {
            const char* key = "XDG_PICTURES_DIR=\"";
            if (strncmp(line, key, strlen(key)) != 0) continue;
            std::string value = line + strlen(key);
            value = value.substr(0, value.find('"'));
            if (value.compare(0, 5, "$HOME") == 0) value = homeFolder + value.substr(5);
            if (!value.empty() && value[0] == '/') found = value;
        }
        fclose(f);
        if (!found.empty()) return found;
    }
    return homeFolder + "/Pictures";
}
