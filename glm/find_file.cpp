// find_file.cpp: finding a file that another file names, as files from other machines name
// them: Windows separators, names whose letter case differs from the disk's, and folders
// that exist only on the author's machine.
#include <dirent.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <string>
#include "glm/glm_internal.h"

namespace {

bool isRegularFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// `path` with each of its parts after `from` bytes matched in any letter case against what
// its folder holds; empty when some part has no match.
std::string matchAnyCase(const std::string& path, size_t from) {
    std::string found = path.substr(0, from);
    size_t start = from;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        std::string exact = found + part;
        struct stat info;
        if (!part.empty() && stat(exact.c_str(), &info) != 0) {
            DIR* dir = opendir(found.empty() ? "." : found.c_str());
            if (!dir) return std::string();
            bool matched = false;
            while (const dirent* entry = readdir(dir)) {
                if (strcasecmp(entry->d_name, part.c_str()) == 0) {
                    exact = found + entry->d_name;
                    matched = true;
                    break;
                }
            }
            closedir(dir);
            if (!matched) return std::string();
        }
        found = exact;
        if (end < path.size()) found += '/';
        start = end + 1;
    }
    return found;
}

// The regular file at `path`, or one whose name differs from it in letter case after `from`.
std::string findAt(const std::string& path, size_t from) {
    if (isRegularFile(path)) return path;
    std::string other = matchAnyCase(path, from);
    return !other.empty() && isRegularFile(other) ? other : std::string();
}

}  // namespace

char* _glmFindFile(const char* dir, const char* written) {
    std::string name(written);
    std::string asWritten = name[0] == '/' ? name : dir + name;
    if (isRegularFile(asWritten)) return _glmStrdup(asWritten.c_str());
    for (char& c : name)
        if (c == '\\') c = '/';
    size_t from = name[0] == '/' ? 0 : strlen(dir);
    std::string found = findAt(name[0] == '/' ? name : dir + name, from);
    if (found.empty()) {
        // the bare file name, beside the file that names it
        size_t slash = name.rfind('/');
        if (slash != std::string::npos && slash + 1 < name.size())
            found = findAt(dir + name.substr(slash + 1), strlen(dir));
    }
    return found.empty() ? nullptr : _glmStrdup(found.c_str());
}

char* _glmFindMap(const char* dir, const char* written) {
    if (char* found = _glmFindFile(dir, written)) return found;
    // maps kept in a folder of their own, beside the library or beside its folder
    std::string name(written);
    for (char& c : name)
        if (c == '\\') c = '/';
    const std::string bare = name.substr(name.rfind('/') == std::string::npos ? 0 : name.rfind('/') + 1);
    if (bare.empty()) return nullptr;
    for (const std::string& base : {std::string(dir), std::string(dir) + "../"})
        for (const char* folder : {"textures/", "Textures/", "texture/", "tex/"}) {
            std::string found = findAt(base + folder + bare, base.size() + strlen(folder));
            if (!found.empty()) return _glmStrdup(found.c_str());
        }
    return nullptr;
}
