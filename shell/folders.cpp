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

namespace {

// The folder a user-dirs.dirs line gives for `key`, as the format has it: KEY="VALUE", the
// value "$HOME/..." or "/...", a backslash taking the character after it as it is; empty for
// a line that is not of that form.
std::string userDirectory(const std::string& line, const std::string& key, const std::string& home) {
    size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line.compare(at, key.size() + 2, key + "=\"") != 0) return "";
    at += key.size() + 2;
    std::string value;
    if (line.compare(at, 5, "$HOME") == 0 && (line[at + 5] == '/' || line[at + 5] == '"')) {
        value = home;
        at += 5;
    } else if (line[at] != '/') {
        return "";
    }
    for (; at < line.size() && line[at] != '"'; at++) {
        if (line[at] == '\\') at++;
        if (at >= line.size() || line[at] == '\n') return "";
        value += line[at];
    }
    if (at >= line.size() || line.find_first_not_of(" \t\r\n", at + 1) != std::string::npos) return "";
    return value;
}

}  // namespace

std::string PicturesFolder(void) {
    const std::string home = HomeFolder(), dirs = ConfigFolder() + "/user-dirs.dirs";
    std::string found;
    if (FILE* f = fopen(dirs.c_str(), "r")) {
        char* line = nullptr;
        size_t room = 0;
        // the last line that gives it counts
        for (ssize_t n; (n = getline(&line, &room, f)) > 0;) {
            std::string folder = userDirectory(std::string(line, static_cast<size_t>(n)), "XDG_PICTURES_DIR", home);
            if (!folder.empty()) found = folder;
        }
        free(line);
        fclose(f);
    }
    return found.empty() ? home + "/Pictures" : found;
}
