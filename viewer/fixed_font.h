// fixed_font.h: a small bitmap font for the few words Tavrin draws itself.
#ifndef VIEWER_FIXED_FONT_H
#define VIEWER_FIXED_FONT_H

const int fixedFontWidth = 6, fixedFontHeight = 13;
// The glyphs of ' ' to '~'.
extern const unsigned char fixedFont[95][fixedFontHeight];

#endif
