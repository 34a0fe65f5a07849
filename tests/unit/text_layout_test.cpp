// Text layout and escapes: where the glyph quads go, the scissor box, tabs, newlines,
// the right-edge stop, colour, bold and italic, and malformed escapes.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "text/text_layout.h"

namespace {

// Lays out `text` from an exact-size buffer without a terminator, so that any read
// past the text shows under the sanitizers.
TextLayout Lay(const std::string& text, int x = 100, TextStyle* style = nullptr) {
  std::vector<char> exact(text.begin(), text.end());
  TextStyle local;
  return LayOutText(exact.data(), exact.size(), x, 200, 640, style ? *style : local);
}

std::string Codes(const TextLayout& layout) {
  std::string out;
  for (const GlyphQuad& q : layout.quads) out += static_cast<char>(q.code);
  return out;
}

using Ints = std::vector<int32_t>;
// One field of every quad, in drawing order.
Ints Each(const TextLayout& layout, int32_t GlyphQuad::*field) {
  Ints out;
  for (const GlyphQuad& q : layout.quads) out.push_back(q.*field);
  return out;
}

using Box = std::array<int32_t, 4>;
Box BoxOf(const ScissorBox& b) { return {b.x, b.y, b.width, b.height}; }

}  // namespace

TEST(TextLayout, CounterQuadsAndScissorBox) {
  const TextLayout l = Lay("60FPS");
  ASSERT_EQ(Codes(l), "60FPS");
  EXPECT_EQ(Each(l, &GlyphQuad::x), (Ints{100, 112, 124, 136, 148}));
  EXPECT_EQ(Each(l, &GlyphQuad::y), Ints(5, 200));
  EXPECT_EQ(BoxOf(l.scissor), (Box{100, 200, 60, 12}));
  EXPECT_TRUE(Lay("").quads.empty());
}

TEST(TextLayout, TabsAndNewlines) {
  const TextLayout tab = Lay("a\tb");
  ASSERT_EQ(Codes(tab), "ab");
  EXPECT_EQ(Each(tab, &GlyphQuad::x), (Ints{100, 172}));  // one glyph and a five-glyph tab
  EXPECT_EQ(BoxOf(tab.scissor), (Box{100, 200, 4 * 12 * 3, 12}));
  const TextLayout lines = Lay("ab\nc\nd");
  ASSERT_EQ(Codes(lines), "abcd");
  EXPECT_EQ(Each(lines, &GlyphQuad::x), (Ints{100, 112, 100, 100}));
  EXPECT_EQ(Each(lines, &GlyphQuad::y), (Ints{200, 200, 188, 176}));
  EXPECT_EQ(BoxOf(lines.scissor), (Box{100, 176, 72, 36}));
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
  for (const char* text : {"\\q", "\\bz", "\\i", "\\c(1 2)x", "\\c 1 2 3)x", "\\a(1 2 3)x", "\\c(255 ", "\\\\q"}) {
    EXPECT_EQ(Codes(Lay(text)), text);
  }
  EXPECT_EQ(Each(Lay("\\q"), &GlyphQuad::x), (Ints{100, 112}));  // the backslash glyph takes its place
}

TEST(TextLayout, ColourEscapesLastForTheRestOfTheText) {
  TextStyle style;
  const TextLayout l = Lay("a\\c(255 0 0)bc", 100, &style);
  ASSERT_EQ(Codes(l), "abc");
  EXPECT_EQ(Each(l, &GlyphQuad::x), (Ints{100, 112, 124}));  // the escape itself takes no room
  for (const GlyphQuad& q : {l.quads[1], l.quads[2]}) {
    EXPECT_TRUE(q.colour[0] > 0.999f && q.colour[1] == 0.0f && q.colour[2] == 0.0f);
  }
  EXPECT_EQ(style.colour[1], 0.0f);  // until the printer resets the style

  // The alpha form, white space of any kind; numbers are not clamped, and the walk
  // resumes after the first ")" behind the letter.
  const TextLayout alpha = Lay("\\a( 0 255\t0 51)x");
  ASSERT_EQ(Codes(alpha), "x");
  EXPECT_FLOAT_EQ(alpha.quads[0].colour[1], 1.0f);
  EXPECT_FLOAT_EQ(alpha.quads[0].colour[3], 0.2f);
  const TextLayout extra = Lay("\\c(510 -255 0 9)z");
  ASSERT_EQ(Codes(extra), "z");
  EXPECT_FLOAT_EQ(extra.quads[0].colour[0], 2.0f);
  EXPECT_FLOAT_EQ(extra.quads[0].colour[1], -1.0f);
}

TEST(TextLayout, BoldDrawsTwiceAndItalicSlants) {
  const TextLayout l = Lay("\\b+a\\b-\\i+b\\i-c");
  ASSERT_EQ(Codes(l), "aabc");
  EXPECT_EQ(Each(l, &GlyphQuad::x), (Ints{100, 101, 112, 124}));
  EXPECT_EQ(Each(l, &GlyphQuad::slant), (Ints{0, 0, 8, 0}));
}
