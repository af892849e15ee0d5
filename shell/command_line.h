// command_line.h: the model file named on the command line, and the one shown since.
#ifndef SHELL_COMMAND_LINE_H
#define SHELL_COMMAND_LINE_H

extern char modelFileName[1024];  // the model file to show, copied from the command line

// Copies the command line into modelFileName; false, with one line on stderr, where it is
// too long to be held whole.
bool TakeCommandLine(const char* commandLine);
// The model file on screen, whatever its name's length: the command line's until the program
// shows another.
const char* ShownModelFile(void);
void SetShownModelFile(const char* path);

#endif
