// shell_test_program.h: the recording program the shell tests link.
#ifndef TESTS_SHELL_TEST_PROGRAM_H
#define TESTS_SHELL_TEST_PROGRAM_H

#include <string>
#include <vector>
#include "shell/program.h"

extern ProgramInfo shellTestInfo;        // starts as Tavrin's; tests may change it
extern std::vector<std::string> programLog;
extern int testScene;                    // 0: eyes draw nothing; else a scene of DrawTestScene
void DrawTestScene(int scene, int eye);  // defined by the stereo tests
// the frames: each paint's start and eyes; whether an unfinished frame goes on; how many times
// more each eye leaves its picture unfinished
extern std::vector<std::string> frameLog;
extern bool testResumeFrames;
extern int testEyeParts[2];

#endif
