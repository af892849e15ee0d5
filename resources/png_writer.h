// png_writer.h: writes RGBA pictures as PNG files.
#ifndef RESOURCES_PNG_WRITER_H
#define RESOURCES_PNG_WRITER_H

// rgba rows bottom first, as OpenGL reads them; returns false when the file cannot be written
bool WritePng(const char* path, int width, int height, const unsigned char* rgba);

#endif
