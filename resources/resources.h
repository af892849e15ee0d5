// resources.h: the resources of each program: icon 110 and accelerator table 103.
#ifndef RESOURCES_RESOURCES_H
#define RESOURCES_RESOURCES_H

#include "shell/platform.h"

extern const PlatformResources tavrinResources;
extern const PlatformResources ondrelResources;

#endif
