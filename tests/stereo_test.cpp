#include "tests/shell_test_program.h"
void DrawTestScene(int, int) {}
