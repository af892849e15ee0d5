// icon.h: the one icon of both programs (resource 110).
#ifndef RESOURCES_ICON_H
#define RESOURCES_ICON_H

#include "shell/platform.h"

extern const PlatformIcon stereoIcon;

#endif
