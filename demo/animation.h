// animation.h: Ondrel's motion over time, its per-eye scene and its commands.
#ifndef DEMO_ANIMATION_H
#define DEMO_ANIMATION_H

#include "shell/platform.h"

extern float angleX, angleY, angleZ;  // rotations, degrees
extern float bounceOffset;            // shift along the solids' own z
extern float bounceStep;              // its step per tick, sign flips at the limits
extern float pulseStep;               // pulseScale's step per tick
extern UINT_PTR animationTimer;       // the timer's identifier

void StartAnimationTimer(HWND window);
void AdvanceAnimation(void);
void DrawDemoEye(void);
void OnDemoCommand(HWND window, int id);

#endif
