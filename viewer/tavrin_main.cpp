// tavrin_main.cpp: Tavrin's process entry; its resources are its instance.
#include "resources/resources.h"
#include "shell/program.h"

const ProgramInfo& programInfo = tavrinInfo;

int main(int argc, char** argv) { return PlatformMain(argc, argv, &tavrinResources); }
