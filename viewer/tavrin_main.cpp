// tavrin_main.cpp: Tavrin's process entry; its resources are its instance.
#include "resources/resources.h"
#include "shell/program.h"
#include "viewer/model_session.h"

const ProgramInfo& programInfo = tavrinInfo;

int main(int argc, char** argv) {
    int status = PlatformMain(argc, argv, &tavrinResources);
    EndModelSession(status);
    return status;
}
