// Text layout and escapes: where the glyph quads go, the scissor box, tabs, newlines,
// the right-edge stop, colour, bold and italic, and malformed escapes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/text_layout.h"

using Ints = std::vector<int32_t>;

// Lays out `text` from an exact-size buffer without a terminator, so that any read
// past the text shows under the sanitizers. The pen starts at (x, 200), the stop is 640.
static TextLayout Lay(const std::string& text, int x = 100, TextStyle* style = nullptr) {
  std::vector<char> exact(text.begin(), text.end());
  TextStyle local;
  return LayOutText(exact.data(), exact.size(), x, 200, 640, style ? *style : local);
}

static std::string Codes(const TextLayout& layout) {
  std::string out;
  for (const GlyphQuad& q : layout.quads) out += static_cast<char>(q.code);
  return out;
}

// One field of every quad, in drawing order.
static Ints Each(const TextLayout& layout, int32_t GlyphQuad::*field) {
  Ints out;
  for (const GlyphQuad& q : layout.quads) out.push_back(q.*field);
  return out;
}

TEST(TextLayout, GlyphPlacesSlantAndScissorBox) {
  const struct { const char* text; const char* codes; Ints x, y, slant, box; } cases[] = {
      {"60FPS", "60FPS", {100, 112, 124, 136, 148}, Ints(5, 200), Ints(5, 0), {100, 200, 60, 12}},
      // One glyph and a five-glyph tab; the box counts four glyphs per character then.
      {"a\tb", "ab", {100, 172}, {200, 200}, {0, 0}, {100, 200, 4 * 12 * 3, 12}},
      {"ab\nc\nd", "abcd", {100, 112, 100, 100}, {200, 200, 188, 176}, Ints(4, 0), {100, 176, 72, 36}},
      // Bold draws twice, one pixel apart; italic slants by 8; escapes take no room.
      {"\\b+a\\b-\\i+b\\i-c", "aabc", {100, 101, 112, 124}, Ints(4, 200), {0, 0, 8, 0}, {100, 200, 180, 12}},
      {"\\q", "\\q", {100, 112}, {200, 200}, {0, 0}, {100, 200, 24, 12}},
  };
  for (const auto& c : cases) {
    const TextLayout l = Lay(c.text);
    EXPECT_EQ(Codes(l), c.codes);
    EXPECT_EQ(Each(l, &GlyphQuad::x), c.x) << c.text;
    EXPECT_EQ(Each(l, &GlyphQuad::y), c.y) << c.text;
    EXPECT_EQ(Each(l, &GlyphQuad::slant), c.slant) << c.text;
    EXPECT_EQ((Ints{l.scissor.x, l.scissor.y, l.scissor.width, l.scissor.height}), c.box) << c.text;
  }
}

TEST(TextLayout, RightEdgeStopAndEscapesThatAreNotUnderstood) {
  const struct { const char* text; int x; const char* codes; } cases[] = {
      // Pens 600 to 636 lie inside 640, 648 beyond; the stop ends the whole walk.
      {"abcdefgh", 600, "abcd"}, {"abcd\nxy", 600, "abcd"}, {"ab", 628, "ab"},
      // A backslash at the very end draws nothing more; a colour without ")" takes the rest.
      {"ab\\", 100, "ab"}, {"a\\c(1 2 3 bcd", 100, "a"}, {"a\\c(1 2 3", 100, "a"},
  };
  for (const auto& c : cases) EXPECT_EQ(Codes(Lay(c.text, c.x)), c.codes) << c.text;
  // Unknown or malformed escapes draw the backslash and go on with the next character as
  // text; a second backslash is text too.
  for (const char* text : {"\\bz", "\\i", "\\c(1 2)x", "\\c 1 2 3)x", "\\a(1 2 3)x", "\\c(255 ", "\\\\q"}) {
    EXPECT_EQ(Codes(Lay(text)), text);
  }
}

TEST(TextLayout, ColourEscapesLastForTheRestOfTheText) {
  // The alpha form, white space of any kind; numbers are not clamped, and the walk
  // resumes after the first ")" behind the letter.
  const struct { const char* text; const char* codes; size_t quad; float rgba[4]; } cases[] = {
      {"a\\c(255 0 0)bc", "abc", 0, {1, 1, 1, 1}}, {"a\\c(255 0 0)bc", "abc", 2, {1, 0, 0, 1}},
      {"\\a( 0 255\t0 51)x", "x", 0, {0, 1, 0, 0.2f}}, {"\\c(510 -255 0 9)z", "z", 0, {2, -1, 0, 1}},
  };
  for (const auto& c : cases) {
    TextStyle style;
    const TextLayout l = Lay(c.text, 100, &style);
    ASSERT_EQ(Codes(l), c.codes);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(l.quads[c.quad].colour[i], c.rgba[i], 1e-6f) << c.text << i;
    EXPECT_EQ(style.colour[1], l.quads.back().colour[1]) << c.text;  // until the printer resets it
  }
}
