// commands.h: the command identifiers of accelerator table 103 that the programs handle (the
// shared keys' commands only repaint).
#ifndef RESOURCES_COMMANDS_H
#define RESOURCES_COMMANDS_H

enum {
    ID_QUIT = 2,                      // Esc, both programs
    ID_SINGLE_SIDED = 40007,          // 1, both programs: back faces culled
    ID_DOUBLE_SIDED = 40008,          // 2, both programs: both sides drawn
    ID_TAVRIN_STOP_SPINNING = 40041,  // Space
    ID_TAVRIN_RESET_EYES = 40042,     // Enter
    ID_ONDREL_RESET_EYES = 40041,     // Enter
};

#endif
