// Tests of the model session's transitions, without a window, threads or timers.
#include <gtest/gtest.h>
#include <string>
#include "viewer/session_state.h"

namespace {

// Ends the read under way and starts the one that waited, as the window does; the outcome.
LoadOutcome End(ModelSession* s, bool succeeded) {
    LoadOutcome outcome = SessionLoadEnded(s, succeeded);
    std::string path;
    bool dropped;
    if (SessionTakeNext(s, &path, &dropped)) {
        EXPECT_TRUE(SessionAsk(s, path, dropped));
    }
    return outcome;
}

TEST(ModelSession, RequestsDuringALoadWaitForItAndFailuresSpeakOnlyWhenNothingFollows) {
    ModelSession s = {};
    EXPECT_FALSE(SessionAskReload(&s)) << "nothing shown yet: nothing to read again";
    ASSERT_TRUE(SessionAsk(&s, "a.obj", false));
    EXPECT_TRUE(SessionEndsAtOnce(&s, false)) << "Esc during the first read";
    // F5 and a drop while the first read runs: the drop, asked for last, follows it
    EXPECT_FALSE(SessionAskReload(&s));
    EXPECT_FALSE(SessionAsk(&s, "b.obj", true));
    EXPECT_EQ(End(&s, true), LOAD_SHOW);
    EXPECT_EQ(s.shown, "a.obj");
    EXPECT_FALSE(s.nameInTitle);
    ASSERT_TRUE(s.loading);
    EXPECT_EQ(s.loadingPath, "b.obj");
    EXPECT_EQ(End(&s, true), LOAD_SHOW);
    EXPECT_EQ(s.shown, "b.obj");
    EXPECT_TRUE(s.nameInTitle) << "a dropped file names the model in the title from then on";
    EXPECT_FALSE(SessionEndsAtOnce(&s, false));
    EXPECT_TRUE(SessionEndsAtOnce(&s, true));

    // a reload while a reload runs comes once after it; the first fails silently
    ASSERT_TRUE(SessionAskReload(&s));
    EXPECT_FALSE(SessionAskReload(&s));
    EXPECT_FALSE(SessionAskReload(&s));
    EXPECT_EQ(End(&s, false), LOAD_SILENT);
    ASSERT_TRUE(s.loading);
    EXPECT_EQ(s.loadingPath, "b.obj");
    EXPECT_FALSE(s.loadingDropped);
    // a change on disk while it runs: its failure is silent too, and the change is read after
    SessionFileChanged(&s);
    EXPECT_EQ(End(&s, false), LOAD_SILENT);
    EXPECT_FALSE(s.loading);
    ASSERT_TRUE(SessionReloadDue(&s));
    EXPECT_FALSE(s.reloadDue);
    EXPECT_EQ(End(&s, false), LOAD_BOX) << "nothing follows: a box says why";
    EXPECT_EQ(s.shown, "b.obj") << "the model stays";
    EXPECT_FALSE(s.loading);

    // the first read, given up for a drop (a FIFO without a writer), says nothing; the drop's
    // failure, with nothing shown and nothing after it, ends the session
    ModelSession first = {};
    ASSERT_TRUE(SessionAsk(&first, "fifo.obj", false));
    EXPECT_FALSE(SessionAsk(&first, "bad.obj", true));
    EXPECT_EQ(End(&first, false), LOAD_SILENT);
    EXPECT_EQ(End(&first, false), LOAD_FATAL);
}

}  // namespace
