// accelerators.h: the key bindings both programs share in accelerator table 103. Neither
// program handles these commands; each one only repaints.
#ifndef RESOURCES_ACCELERATORS_H
#define RESOURCES_ACCELERATORS_H

#include "shell/platform.h"

#define ACCEL_KEY(key, cmd) {FVIRTKEY | FNOINVERT, key, cmd}
#define ACCEL_SHIFT_KEY(key, cmd) {FVIRTKEY | FNOINVERT | FSHIFT, key, cmd}

#define SHARED_ACCELERATORS                                                                                         \
    ACCEL_KEY('0', 40016), ACCEL_KEY('3', 40009), ACCEL_KEY('4', 40010), ACCEL_KEY('5', 40011),                    \
        ACCEL_KEY('6', 40012), ACCEL_KEY('7', 40013), ACCEL_KEY('8', 40014), ACCEL_KEY('9', 40015),                \
        ACCEL_KEY(VK_LEFT, 40001), ACCEL_KEY(VK_RIGHT, 40002), ACCEL_KEY(VK_UP, 40003), ACCEL_KEY(VK_DOWN, 40004), \
        ACCEL_KEY('A', 40018), ACCEL_SHIFT_KEY('A', 40017), ACCEL_KEY('D', 40021), ACCEL_KEY('E', 40037),          \
        ACCEL_KEY('F', 40022), ACCEL_KEY('G', 40024), ACCEL_SHIFT_KEY('G', 40023), ACCEL_KEY('H', 40029),          \
        ACCEL_SHIFT_KEY('H', 40028), ACCEL_KEY('J', 40026), ACCEL_SHIFT_KEY('J', 40025), ACCEL_KEY('K', 40031),    \
        ACCEL_SHIFT_KEY('K', 40030), ACCEL_KEY('L', 40033), ACCEL_SHIFT_KEY('L', 40032), ACCEL_KEY('Q', 40035),    \
        ACCEL_KEY('R', 40038), ACCEL_KEY('S', 40020), ACCEL_SHIFT_KEY('S', 40019), ACCEL_KEY('T', 40039),          \
        ACCEL_KEY('W', 40036), ACCEL_KEY('X', 40006), ACCEL_SHIFT_KEY('X', 40005), ACCEL_KEY('Y', 40040),          \
        ACCEL_KEY('Z', 40034)

#endif
