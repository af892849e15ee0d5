// tavrin_resources.cpp: Tavrin's resources: icon 110 and accelerator table 103.
#include "resources/accelerators.h"
#include "resources/icon.h"
#include "resources/resources.h"

static const ACCEL tavrinAccelerators[] = {
    ACCEL_KEY(VK_ESCAPE, 2),       // quit
    ACCEL_KEY(VK_RETURN, 40042),   // Reset Eyes
    ACCEL_KEY(VK_SPACE, 40041),    // stop spinning
    ACCEL_KEY('1', 40007),         // Single sided
    ACCEL_KEY('2', 40008),         // Double sided
    SHARED_ACCELERATORS,
};
static const PlatformAccelerators tavrinTables[] = {
    {103, tavrinAccelerators, sizeof tavrinAccelerators / sizeof tavrinAccelerators[0]},
};

const PlatformResources tavrinResources = {&stereoIcon, 1, tavrinTables, 1};
