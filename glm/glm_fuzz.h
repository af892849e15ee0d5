/* glm_fuzz.h: hooks of the fuzz build, which turns the library's process exits into returns. */
#ifndef GLM_GLM_FUZZ_H
#define GLM_GLM_FUZZ_H

#include <setjmp.h>
#include <stddef.h>

/* Where _glmExit jumps (with status + 1) instead of ending the process; null to exit. */
void glmFuzzSetExitJump(jmp_buf* jump);
/* Frees every block the library still holds; returns how many there were. */
size_t glmFuzzFreeAll(void);

#endif
