// ondrel_resources.cpp: Ondrel's resources: icon 110 and accelerator table 103.
#include "resources/accelerators.h"
#include "resources/icon.h"
#include "resources/resources.h"

static const ACCEL ondrelAccelerators[] = {
    ACCEL_KEY(VK_ESCAPE, 2),       // quit
    ACCEL_KEY(VK_RETURN, 40041),   // reset eyes
    ACCEL_KEY('1', 40007),         // back faces culled
    ACCEL_KEY('2', 40008),         // culling off
    SHARED_ACCELERATORS,
};
static const PlatformAccelerators ondrelTables[] = {
    {103, ondrelAccelerators, sizeof ondrelAccelerators / sizeof ondrelAccelerators[0]},
};

const PlatformResources ondrelResources = {&stereoIcon, 1, ondrelTables, 1};
