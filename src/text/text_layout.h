// Text layout for the printer: the escape-sequence reader and the placement of glyph
// quads and the scissor box, in window pixels. Plain data in, plain data out; the
// OpenGL calls that draw the result live in text_printer.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Style of one print; escapes change it, every print ends by resetting it.
struct TextStyle {
  int32_t glyphSize = 12;  // pixels: quad edge and advance per character
  int32_t slant = 0;       // pixels the top edge is shifted right; 8 while italic
  bool bold = false;       // glyphs drawn twice, the second one pixel to the right
  float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // foreground red, green, blue, alpha

  void Reset() { *this = TextStyle(); }
};

constexpr int32_t kItalicSlant = 8;

enum class EscapeKind {
  Colour,     // colour set (also the alpha form)
  Bold,       // bold on or off
  Italic,     // slant on or off
  EndOfText,  // backslash as the last character: nothing more is drawn
  Backslash,  // unrecognised or malformed: draw a backslash glyph, go on after it
};

struct Escape {
  EscapeKind kind = EscapeKind::Backslash;
  size_t consumed = 1;  // characters taken from the text, the backslash included; >= 1
  bool on = false;      // Bold, Italic
  float colour[4] = {0.0f, 0.0f, 0.0f, 1.0f};  // Colour
};

// Reads the escape whose backslash stands at text[pos] (pos < length). Never reads
// at or past text[length]. A colour escape consumes through the first ")" after its
// letter, or to the end of the text when there is none.
Escape ReadEscape(const char* text, size_t length, size_t pos);

struct ScissorBox {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// One glyph quad: corners (x, y), (x + size, y), (x + size + slant, y + size),
// (x + slant, y + size), in the given colour.
struct GlyphQuad {
  uint8_t code = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t size = 0;
  int32_t slant = 0;
  float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
};

struct TextLayout {
  ScissorBox scissor;
  std::vector<GlyphQuad> quads;  // in drawing order; a bold glyph gives two
};

// Lays out `length` characters starting with the pen at (x, y), the bottom edge of
// the first line. Tabs advance 5 glyphs, newlines return to x one line lower, and the
// walk stops before a character whose pen x is beyond rightLimit (viewport x +
// width). Escapes change `style` for the rest of the text.
TextLayout LayOutText(const char* text, size_t length, int32_t x, int32_t y, int32_t rightLimit,
                      TextStyle& style);
