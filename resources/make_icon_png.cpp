// make_icon_png.cpp: writes icon 110 as a PNG for the desktop's icon theme, at build time,
// from the one source of the icon.
//   make_icon_png OUT.png
#include <stdio.h>
#include <vector>
#include "resources/icon.h"
#include "resources/png_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: make_icon_png OUT.png\n");
        return 2;
    }
    std::vector<unsigned char> rgba(32 * 32 * 4);
    for (int r = 0; r < 32; r++)
        for (int c = 0; c < 32; c++) {
            uint32_t color = PlatformIconColor(&stereoIcon, r, c);
            // the writer takes rows bottom first
            unsigned char* p = &rgba[((31 - r) * 32 + c) * 4];
            p[0] = color >> 16 & 0xff;
            p[1] = color >> 8 & 0xff;
            p[2] = color & 0xff;
            p[3] = 255;
        }
    return WritePng(argv[1], 32, 32, rgba.data()) ? 0 : 1;
}
