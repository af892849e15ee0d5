// ondrel_resources.cpp: Ondrel's resources: icon 110 and accelerator table 103.
#include "resources/accelerators.h"
#include "shell/program.h"
#include "resources/icon.h"
#include "resources/resources.h"

static const ACCEL ondrelAccelerators[] = {
    ACCEL_KEY(VK_ESCAPE, ID_QUIT),
    ACCEL_KEY(VK_RETURN, ID_ONDREL_RESET_EYES),
    ACCEL_KEY('1', ID_SINGLE_SIDED),
    ACCEL_KEY('2', ID_DOUBLE_SIDED),
    SHARED_ACCELERATORS,
};
static const PlatformAccelerators ondrelTables[] = {
    {103, ondrelAccelerators, sizeof ondrelAccelerators / sizeof ondrelAccelerators[0]},
};

const PlatformResources ondrelResources = {&stereoIcon, 1, ondrelTables, 1};
