// model_session.cpp: which file is shown, which is being read, and what follows a read.
#include "viewer/model_session.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>
#include <string>
#include "shell/program.h"
#include "shell/output.h"
#include "shell/stereo_keys.h"
#include "shell/command_line.h"
#include "shell/window.h"
#include "viewer/file_watch.h"
#include "viewer/model_load.h"
#include "viewer/session_state.h"
#include "viewer/viewer.h"

namespace {

const UINT progressPeriod = 100;
// how long after a write the files are read: a finished write (closed, or renamed into
// place) soon, so that a model and its library saved together come in one read; a write in
// progress once the file has been quiet for a while
const UINT afterFinishedWrite = 300, afterUnfinishedWrite = 1000;

ModelSession session;
bool startedEarly = false;  // the first read began before the window

const char* baseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return path.c_str() + (slash == std::string::npos ? 0 : slash + 1);
}

// The read the session just let start.
void beginLoad(HWND window) {
    StartModelLoad(session.loadingPath.c_str());
    SetModelLoadWindow(window);
    SetTimer(window, TAVRIN_PROGRESS_TIMER, progressPeriod, nullptr);
    InvalidateRect(window, nullptr, FALSE);
}

// What follows a request: the read it starts, or, where one runs, that read given up if it
// waits for a stream (the request then follows it).
void follow(HWND window, bool running, bool startsNow) {
    if (startsNow)
        beginLoad(window);
    else if (running)
        AbandonModelLoad();
}

void ask(HWND window, const std::string& path, bool dropped) {
    bool running = session.loading;
    follow(window, running, SessionAsk(&session, path, dropped));
}

// A read that failed: the first ends the session as a refused file always did; a later one
// leaves the model on screen and says why, unless another read follows.
void loadFailed(HWND window, LoadOutcome outcome, const GlmReadStatus* failure) {
    FILE* stream = failure->onStdout ? stdout : stderr;
    fputs(failure->message, stream);
    fflush(stream);
    if (outcome == LOAD_FATAL) {
        ShowFatalLine(failure->message);
        exit(1);
    }
    if (outcome == LOAD_SILENT) return;
    std::string text = failure->message;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    MessageBox(window, text.c_str(), programInfo.windowTitle, MB_OK | MB_ICONEXCLAMATION);
}

void takeLoad(HWND window) {
    if (!session.loading) return;
    const GlmReadStatus* failure;
    GlmModel* coarse;
    GlmModel* model = FinishModelLoad(&failure, &coarse);
    KillTimer(window, TAVRIN_PROGRESS_TIMER);
    LoadOutcome outcome = SessionLoadEnded(&session, model != nullptr);
    if (outcome == LOAD_SHOW) {
        ShowLoadedModel(window, model, coarse, LoadedModelExtent());
        const std::string& path = session.shown;
        SetShownModelFile(path.c_str());
        if (session.nameInTitle) ShowModelName(window, baseName(path));
        WatchModelFiles(window, path.c_str(), model);
    } else {
        loadFailed(window, outcome, failure);
    }
    InvalidateRect(window, nullptr, FALSE);
    std::string next;
    bool dropped;
    if (SessionTakeNext(&session, &next, &dropped)) ask(window, next, dropped);
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
    ask(window, path, true);
}

}  // namespace

void StartModelSession(const char* path) {
    startedEarly = true;
    SessionAsk(&session, path, false);
    StartModelLoad(path);
}

void ShowModelWhenLoaded(HWND window) {
    DragAcceptFiles(window, TRUE);
    if (!startedEarly) {
        SessionAsk(&session, modelFileName, false);
        StartModelLoad(modelFileName);
        takeLoad(window);
        return;
    }
    SetModelLoadWindow(window);
    if (session.loading) SetTimer(window, TAVRIN_PROGRESS_TIMER, progressPeriod, nullptr);
}

void ReloadModel(HWND window) {
    bool running = session.loading;
    follow(window, running, SessionAskReload(&session));
}

void OnModelSessionMessage(HWND window, UINT message, WPARAM wParam) {
    switch (message) {
    case WM_APP_MODEL_LOADED: takeLoad(window); break;
    case WM_APP_FILE_CHANGED:
        SessionFileChanged(&session);
        SetTimer(window, TAVRIN_RELOAD_TIMER, TakeFileChange() ? afterFinishedWrite : afterUnfinishedWrite, nullptr);
        break;
    case WM_DROPFILES: openDropped(window, reinterpret_cast<HDROP>(wParam)); break;
    default: break;
    }
}

bool OnModelSessionTimer(HWND window, UINT_PTR id) {
    if (id == TAVRIN_PROGRESS_TIMER) {
        InvalidateRect(window, nullptr, FALSE);
        return true;
    }
    if (id == TAVRIN_RELOAD_TIMER) {
        KillTimer(window, TAVRIN_RELOAD_TIMER);
        bool running = session.loading;
        follow(window, running, SessionReloadDue(&session));
        return true;
    }
    return false;
}

void EndModelSession(int status) {
    // the reader may be deep in a gigabyte, and the watching thread waits for the kernel: the
    // process ends without either
    if (SessionEndsAtOnce(&session, WatchingFiles())) {
        fflush(nullptr);
        _exit(status);
    }
}
