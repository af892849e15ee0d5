// tavrin_resources.cpp: Tavrin's resources: icon 110 and accelerator table 103.
#include "resources/accelerators.h"
#include "shell/program.h"
#include "resources/icon.h"
#include "resources/resources.h"

static const ACCEL tavrinAccelerators[] = {
    ACCEL_KEY(VK_ESCAPE, ID_QUIT),
    ACCEL_KEY(VK_RETURN, ID_TAVRIN_RESET_EYES),
    ACCEL_KEY(VK_SPACE, ID_TAVRIN_STOP_SPINNING),
    ACCEL_KEY('1', ID_SINGLE_SIDED),
    ACCEL_KEY('2', ID_DOUBLE_SIDED),
    SHARED_ACCELERATORS,
};
static const PlatformAccelerators tavrinTables[] = {
    {103, tavrinAccelerators, sizeof tavrinAccelerators / sizeof tavrinAccelerators[0]},
};

const PlatformResources tavrinResources = {&stereoIcon, 1, tavrinTables, 1};
