// session_state.cpp: the model session's transitions.
#include "viewer/session_state.h"

bool SessionAsk(ModelSession* s, const std::string& path, bool dropped) {
    if (s->loading) {
        s->nextWanted = true;
        s->nextPath = path;
        s->nextDropped = s->nextDropped || dropped;
        return false;
    }
    s->loading = true;
    s->loadingPath = path;
    s->loadingDropped = dropped;
    return true;
}

bool SessionAskReload(ModelSession* s) { return !s->shown.empty() && SessionAsk(s, s->shown, false); }

void SessionFileChanged(ModelSession* s) { s->reloadDue = true; }

bool SessionReloadDue(ModelSession* s) {
    s->reloadDue = false;
    return SessionAskReload(s);
}

LoadOutcome SessionLoadEnded(ModelSession* s, bool succeeded) {
    s->loading = false;
    if (succeeded) {
        s->shown = s->loadingPath;
        s->nameInTitle = s->nameInTitle || s->loadingDropped;
        return LOAD_SHOW;
    }
    // a read that met a file still changing, or was given up for another, is followed by
    // another: its failure says nothing
    if (s->nextWanted) return LOAD_SILENT;
    if (s->shown.empty()) return LOAD_FATAL;
    return s->reloadDue ? LOAD_SILENT : LOAD_BOX;
}

bool SessionTakeNext(ModelSession* s, std::string* path, bool* dropped) {
    if (!s->nextWanted) return false;
    *path = s->nextPath;
    *dropped = s->nextDropped;
    s->nextWanted = s->nextDropped = false;
    s->nextPath.clear();
    return true;
}

bool SessionEndsAtOnce(const ModelSession* s, bool watchingFiles) { return s->loading || watchingFiles; }
