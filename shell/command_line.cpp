// command_line.cpp: the model file named on the command line.
#include "shell/command_line.h"
#include <stdio.h>
#include <string.h>
#include <string>
#include "shell/program.h"

char modelFileName[1024] = "";

namespace {

std::string shownModelFile;
bool shownSet = false;

}  // namespace

const char* ShownModelFile(void) { return shownSet ? shownModelFile.c_str() : modelFileName; }

void SetShownModelFile(const char* path) {
    shownModelFile = path;
    shownSet = true;
}

bool TakeCommandLine(const char* commandLine) {
    // the buffer holds 1023 characters: a longer name would be cut to another file's
    size_t length = strlen(commandLine);
    if (length >= sizeof modelFileName) {
        fprintf(stderr, "%s: the model file name is too long (%zu characters; at most %zu).\n", programInfo.programName,
                length, sizeof modelFileName - 1);
        return false;
    }
    memcpy(modelFileName, commandLine, length + 1);
    return true;
}
