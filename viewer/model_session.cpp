// model_session.cpp: which file is shown, which is being read, and what follows a read.
#include "viewer/model_session.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>
#include <string>
#include "shell/program.h"
#include "shell/stereo_modes.h"
#include "shell/window.h"
#include "viewer/file_watch.h"
#include "viewer/model_load.h"
#include "viewer/viewer.h"

namespace {

const UINT_PTR progressTimer = 2, reloadTimer = 3;
const UINT progressPeriod = 100;
// how long after a write the files are read: a finished write (closed, or renamed into
// place) soon, so that a model and its library saved together come in one read; a write in
// progress once the file has been quiet for a while
const UINT afterFinishedWrite = 300, afterUnfinishedWrite = 1000;

bool startedEarly = false;  // the first read began before the window
std::string shownPath;      // the file of the model on screen; empty before the first
bool dropped = false;       // the read under way opens a dropped file
bool nameInTitle = false;   // a dropped file was opened: the title names the model from then on
bool reloadDue = false;     // a file changed: a read follows once its writer is done
bool pending = false;       // something asked for a read while one ran
std::string pendingPath;
bool pendingDropped = false;

const char* baseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return path.c_str() + (slash == std::string::npos ? 0 : slash + 1);
}

void beginLoad(HWND window, const std::string& path, bool isDrop) {
    if (ModelLoadRunning()) {
        pending = true;
        pendingPath = path;
        pendingDropped = pendingDropped || isDrop;
        return;
    }
    dropped = isDrop;
    StartModelLoad(path.c_str());
    SetModelLoadWindow(window);
    SetTimer(window, progressTimer, progressPeriod, nullptr);
    InvalidateRect(window, nullptr, FALSE);
}

// A read that failed: the first ends the session as a refused file always did; a later one
// leaves the model on screen and says why.
void loadFailed(HWND window, const GlmReadStatus* failure) {
    FILE* stream = failure->onStdout ? stdout : stderr;
    fputs(failure->message, stream);
    fflush(stream);
    if (shownPath.empty()) {
        glmReportFatal(failure->message);
        exit(1);
    }
    // a read that met a file still changing is followed by another: its failure says nothing
    if (pending || reloadDue) return;
    std::string text = failure->message;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    MessageBox(window, text.c_str(), programInfo.windowTitle, MB_OK | MB_ICONEXCLAMATION);
}

void takeLoad(HWND window) {
    if (!ModelLoadRunning()) return;
    const GlmReadStatus* failure;
    GlmModel* model = FinishModelLoad(&failure);
    KillTimer(window, progressTimer);
    std::string path = ModelLoadPath();
    if (model) {
        ShowLoadedModel(window, model);
        shownPath = path;
        if (path.size() < sizeof modelFileName) memcpy(modelFileName, path.c_str(), path.size() + 1);
        nameInTitle = nameInTitle || dropped;
        if (nameInTitle) ShowModelName(window, baseName(path));
        WatchModelFiles(window, path.c_str(), model);
    } else {
        loadFailed(window, failure);
    }
    InvalidateRect(window, nullptr, FALSE);
    if (pending) {
        pending = false;
        beginLoad(window, pendingPath, pendingDropped);
        pendingDropped = false;
    }
}

void openDropped(HWND window, HDROP drop) {
    UINT length = DragQueryFile(drop, 0, nullptr, 0);
    std::string path(length, '\0');
    DragQueryFile(drop, 0, &path[0], length + 1);
    DragFinish(drop);
    if (path.size() < 4 || strcasecmp(path.c_str() + path.size() - 4, ".obj") != 0) {
        std::string line = "Tavrin: \"" + path + "\" is not a Wavefront OBJ model (.obj).";
        fprintf(stderr, "%s\n", line.c_str());
        MessageBox(window, line.c_str(), programInfo.windowTitle, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    beginLoad(window, path, true);
}

}  // namespace

void StartModelSession(const char* path) {
    startedEarly = true;
    StartModelLoad(path);
}

void ShowModelWhenLoaded(HWND window) {
    DragAcceptFiles(window, TRUE);
    if (!startedEarly) {
        StartModelLoad(modelFileName);
        takeLoad(window);
        return;
    }
    SetModelLoadWindow(window);
    if (ModelLoadRunning()) SetTimer(window, progressTimer, progressPeriod, nullptr);
}

void ReloadModel(HWND window) {
    if (!shownPath.empty()) beginLoad(window, shownPath, false);
}

void OnModelSessionMessage(HWND window, UINT message, WPARAM wParam) {
    switch (message) {
    case WM_APP_MODEL_LOADED: takeLoad(window); break;
    case WM_APP_FILE_CHANGED:
        reloadDue = true;
        SetTimer(window, reloadTimer, wParam ? afterFinishedWrite : afterUnfinishedWrite, nullptr);
        break;
    case WM_DROPFILES: openDropped(window, reinterpret_cast<HDROP>(wParam)); break;
    default: break;
    }
}

bool OnModelSessionTimer(HWND window, UINT_PTR id) {
    if (id == progressTimer) {
        InvalidateRect(window, nullptr, FALSE);
        return true;
    }
    if (id == reloadTimer) {
        KillTimer(window, reloadTimer);
        reloadDue = false;
        ReloadModel(window);
        return true;
    }
    return false;
}

void EndModelSession(int status) {
    // the reader may be deep in a gigabyte, and the watching thread waits for the kernel: the
    // process ends without either
    if (ModelLoadRunning() || WatchingFiles()) {
        fflush(nullptr);
        _exit(status);
    }
}
