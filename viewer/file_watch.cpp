// file_watch.cpp: inotify on the folders of a model's files. Folders, not files: an editor
// that saves to a temporary file and renames it over the old one leaves a watch on the old
// file's inode with nothing more to say.
#include "viewer/file_watch.h"
#include <errno.h>
#include <limits.h>
#include <string.h>
#include <strings.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

const uint32_t finishedMask = IN_CLOSE_WRITE | IN_MOVED_TO;
const uint32_t watchMask = finishedMask | IN_MODIFY;

struct WatchedFile {
    int folder;        // the folder's watch
    std::string name;  // the file's name in it
};

int notifications = -1;
std::mutex lock;                    // guards what follows: the thread reads it
HWND window = nullptr;
std::vector<int> folders;           // watches made
std::vector<WatchedFile> files;
int modelFolder = -1;               // any library that appears there may be the missing one
// One change message at a time: while the window does not take it (a box is open), later
// changes only say whether the last write was finished.
std::atomic<bool> changePosted(false), lastFinished(false);

// The folder and the name of a path.
void splitPath(const std::string& path, std::string* folder, std::string* name) {
    size_t slash = path.rfind('/');
    *folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    *name = slash == std::string::npos ? path : path.substr(slash + 1);
}

void watchFile(const std::string& path) {
    std::string folder, name;
    splitPath(path, &folder, &name);
    int watch = inotify_add_watch(notifications, folder.c_str(), watchMask);
    if (watch < 0) return;
    folders.push_back(watch);
    files.push_back({watch, name});
}

bool isLibraryName(const char* name) {
    size_t n = strlen(name);
    return n > 4 && strcasecmp(name + n - 4, ".mtl") == 0;
}

bool watched(const inotify_event* e) {
    if (e->len == 0) return false;
    if (e->wd == modelFolder && isLibraryName(e->name)) return true;
    for (const WatchedFile& f : files)
        if (f.folder == e->wd && f.name == e->name) return true;
    return false;
}

// The thread: waits for the kernel's events and posts those of the files watched.
void waitForChanges(void) {
    alignas(inotify_event) char buffer[64 * (sizeof(inotify_event) + NAME_MAX + 1)];
    for (;;) {
        ssize_t n = read(notifications, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        for (char* p = buffer; p < buffer + n;) {
            const inotify_event* e = reinterpret_cast<const inotify_event*>(p);
            p += sizeof(inotify_event) + e->len;
            std::lock_guard<std::mutex> hold(lock);
            if (!window || !watched(e)) continue;
            lastFinished = (e->mask & finishedMask) != 0;
            if (!changePosted.exchange(true)) PostMessage(window, WM_APP_FILE_CHANGED, 0, 0);
        }
    }
}

}  // namespace

void WatchModelFiles(HWND w, const char* path, const GlmModel* model) {
    if (notifications < 0) {
        notifications = inotify_init1(IN_CLOEXEC);
        if (notifications < 0) return;  // no notifications here: F5 still reloads
        std::thread(waitForChanges).detach();
    }
    std::lock_guard<std::mutex> hold(lock);
    window = w;
    // a folder's watch is one whatever path names it: remove each once
    for (int watch : folders) inotify_rm_watch(notifications, watch);
    folders.clear();
    files.clear();
    watchFile(path);
    modelFolder = files.empty() ? -1 : files[0].folder;
    for (uint32_t i = 0; i < model->libraryPathCount; i++) watchFile(model->libraryPaths[i]);
    for (uint32_t i = 0; i < model->materialCount; i++)
        if (model->materialArray[i].textureMap) watchFile(model->materialArray[i].textureMap);
}

bool WatchingFiles(void) { return notifications >= 0; }

bool TakeFileChange(void) {
    changePosted = false;
    return lastFinished;
}
