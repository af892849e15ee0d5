// ondrel_main.cpp: Ondrel's process entry; its resources are its instance.
#include "resources/resources.h"
#include "shell/program.h"

const ProgramInfo& programInfo = ondrelInfo;

int main(int argc, char** argv) { return PlatformMain(argc, argv, &ondrelResources); }
