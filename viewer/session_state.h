// session_state.h: the states of a session's model, apart from the window, the threads and
// the timers that act on them: which model is shown, whether one is being read, what was
// asked for meanwhile and whether a change on disk is due to be read.
#ifndef VIEWER_SESSION_STATE_H
#define VIEWER_SESSION_STATE_H

#include <string>

typedef struct ModelSession {
    std::string shown;        // the file of the model on screen; empty before the first
    bool loading;             // a read runs
    std::string loadingPath;  // and the file it reads
    bool loadingDropped;      // which was dropped on the window
    bool nameInTitle;         // a dropped file was opened: the title names the model from then on
    bool nextWanted;          // something asked for a read while one ran: read when it ends
    std::string nextPath;
    bool nextDropped;
    bool reloadDue;           // a file changed: a read follows once its writer is done
} ModelSession;

// What the end of a read asks of the window.
typedef enum LoadOutcome {
    LOAD_SHOW,     // the model read takes the place of the one shown
    LOAD_FATAL,    // the first model failed: the session ends with its line
    LOAD_BOX,      // a later one failed: the model stays, and a box says why
    LOAD_SILENT,   // a later one failed while another read waits to follow: nothing is said
} LoadOutcome;

// Asks for `path` to be read; true where the read starts now, false where one runs and this
// is remembered for after it (the last asked for wins; a drop among them counts as a drop).
bool SessionAsk(ModelSession* session, const std::string& path, bool dropped);
// F5 or a change read again: asks for the model shown, where there is one.
bool SessionAskReload(ModelSession* session);
// A file changed on disk: a reload is due once its writer is done.
void SessionFileChanged(ModelSession* session);
// The writer is done: the reload that was due is asked for.
bool SessionReloadDue(ModelSession* session);
// The read under way ended, with a model or without.
LoadOutcome SessionLoadEnded(ModelSession* session, bool succeeded);
// After a read ended: the request that waited, taken (false where none did).
bool SessionTakeNext(ModelSession* session, std::string* path, bool* dropped);
// Whether the process must end without waiting (Esc while a read runs).
bool SessionEndsAtOnce(const ModelSession* session, bool watchingFiles);

#endif
