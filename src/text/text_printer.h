// The text printer: one bitmap font per run and formatted text drawn in window pixels
// over the finished frame. Plain functions over module-wide state. Print saves every
// piece of OpenGL state it changes and restores it before it returns.
#pragma once

#include <cstdint>

#include "text/font_image.h"
#include "text/text_layout.h"

namespace TextPrinter {

// Creates the font texture name, builds the 16 x 16 glyph grid and reads the Targa
// file into the texture. Returns kFontLoaded (1) or a negative status (-13 cannot
// open, -14 type, -15 size, -16 depth, -17 pixels missing); a failure also writes one
// stderr line naming the file, unless no file is named. The texture then exists without an image, and Print
// draws nothing until a later load succeeds.
int LoadFont(const char* path);

// Formats like printf (at most 1023 characters) and draws the text with its lower-left
// corner at (x, y), window pixels from the viewport's lower-left corner. Escapes:
// \c(r g b), \a(r g b a) colour (0..255), \b+ \b- bold, \i+ \i- italic. The style is
// reset to white, upright and not bold at the end of every call. Without a loaded font
// (none yet, or the last load failed) it draws nothing.
void Print(int32_t x, int32_t y, const char* format, ...) __attribute__((format(printf, 3, 4)));

// Read-only access to the font.
uint32_t FontTexture();
// OpenGL pixel format of the last image read (GL_ALPHA, GL_RGB or GL_RGBA), 0 before.
uint32_t FontPixelFormatGL();
// The style the next print starts with.
const TextStyle& Style();

}  // namespace TextPrinter
