// Text layout and escapes: where the glyph quads go, the scissor box, tabs,
// newlines, the right-edge stop, colour, bold and italic, and malformed escapes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/text_layout.h"

namespace {

// Lays out `text` from an exact-size buffer without a terminator, so that any read
// past the text shows under the sanitizers.
TextLayout Lay(const std::string& text, int x = 100, int y = 200, int right = 640, TextStyle* style = nullptr) {
  std::vector<char> exact(text.begin(), text.end());
  TextStyle local;
  return LayOutText(exact.data(), exact.size(), x, y, right, style ? *style : local);
}

std::string Codes(const TextLayout& layout) {
  std::string out;
  for (const GlyphQuad& q : layout.quads) out += static_cast<char>(q.code);
  return out;
}

}  // namespace

TEST(TextLayout, CounterTextAdvancesOneGlyphPerCharacter) {
  const TextLayout l = Lay("60FPS");
  ASSERT_EQ(Codes(l), "60FPS");
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(l.quads[i].x, 100 + 12 * static_cast<int>(i));
    EXPECT_EQ(l.quads[i].y, 200);
    EXPECT_EQ(l.quads[i].size, 12);
    EXPECT_EQ(l.quads[i].slant, 0);
    EXPECT_EQ(l.quads[i].colour[0], 1.0f);
  }
  EXPECT_EQ(l.scissor.x, 100);
  EXPECT_EQ(l.scissor.y, 200);
  EXPECT_EQ(l.scissor.width, 60);
  EXPECT_EQ(l.scissor.height, 12);

  const TextLayout empty = Lay("");
  EXPECT_TRUE(empty.quads.empty());
  EXPECT_EQ(empty.scissor.width, 0);
}

TEST(TextLayout, TabsAndNewlines) {
  const TextLayout tab = Lay("a\tb");
  ASSERT_EQ(Codes(tab), "ab");
  EXPECT_EQ(tab.quads[1].x, 100 + 72);
  EXPECT_EQ(tab.scissor.width, 4 * 12 * 3);

  const TextLayout lines = Lay("ab\nc\nd");
  ASSERT_EQ(Codes(lines), "abcd");
  EXPECT_EQ(lines.quads[2].x, 100);
  EXPECT_EQ(lines.quads[2].y, 188);
  EXPECT_EQ(lines.quads[3].y, 176);
  EXPECT_EQ(lines.scissor.y, 200 - 24);
  EXPECT_EQ(lines.scissor.height, 36);
}

TEST(TextLayout, StopsAtTheFirstCharacterBeyondTheRightEdge) {
  // Pens 600, 612, 624, 636 are inside; 648 is beyond 640.
  EXPECT_EQ(Codes(Lay("abcdefgh", 600)), "abcd");
  // Exactly on the edge still draws.
  EXPECT_EQ(Codes(Lay("ab", 628)), "ab");
  // The stop ends the whole walk, later lines included.
  EXPECT_EQ(Codes(Lay("abcdefgh\nxy", 600)), "abcd");
}

TEST(TextLayout, ColourEscapesLastForTheRestOfTheText) {
  TextStyle style;
  const TextLayout l = Lay("a\\c(255 0 0)bc", 100, 200, 640, &style);
  ASSERT_EQ(Codes(l), "abc");
  EXPECT_EQ(l.quads[0].colour[1], 1.0f);
  EXPECT_EQ(l.quads[1].x, 112);  // the escape itself takes no room
  for (int i = 1; i < 3; ++i) {
    EXPECT_FLOAT_EQ(l.quads[i].colour[0], 1.0f);
    EXPECT_FLOAT_EQ(l.quads[i].colour[1], 0.0f);
    EXPECT_FLOAT_EQ(l.quads[i].colour[2], 0.0f);
    EXPECT_FLOAT_EQ(l.quads[i].colour[3], 1.0f);
  }
  // The style stays changed until the printer resets it.
  EXPECT_FLOAT_EQ(style.colour[1], 0.0f);
  style.Reset();
  EXPECT_EQ(style.colour[1], 1.0f);

  const TextLayout alpha = Lay("\\a( 0 255\t0 51)x");
  ASSERT_EQ(Codes(alpha), "x");
  EXPECT_FLOAT_EQ(alpha.quads[0].colour[1], 1.0f);
  EXPECT_FLOAT_EQ(alpha.quads[0].colour[3], 0.2f);

  // Numbers are not clamped; the walk resumes after the first ")" behind the letter.
  const TextLayout extra = Lay("\\c(510 -255 0 9)z");
  ASSERT_EQ(Codes(extra), "z");
  EXPECT_FLOAT_EQ(extra.quads[0].colour[0], 2.0f);
  EXPECT_FLOAT_EQ(extra.quads[0].colour[1], -1.0f);
}

TEST(TextLayout, BoldDrawsTwiceAndItalicSlants) {
  const TextLayout l = Lay("\\b+a\\b-\\i+b\\i-c");
  ASSERT_EQ(Codes(l), "aabc");
  EXPECT_EQ(l.quads[0].x, 100);
  EXPECT_EQ(l.quads[1].x, 101);
  EXPECT_EQ(l.quads[2].x, 112);
  EXPECT_EQ(l.quads[2].slant, 8);
  EXPECT_EQ(l.quads[3].x, 124);
  EXPECT_EQ(l.quads[3].slant, 0);
}

TEST(TextLayout, UnrecognisedAndMalformedEscapesDrawTheBackslash) {
  const TextLayout q = Lay("\\q");
  ASSERT_EQ(Codes(q), "\\q");
  EXPECT_EQ(q.quads[1].x, 112);

  EXPECT_EQ(Codes(Lay("\\bz")), "\\bz");
  EXPECT_EQ(Codes(Lay("\\i")), "\\i");
  EXPECT_EQ(Codes(Lay("\\c(1 2)x")), "\\c(1 2)x");
  EXPECT_EQ(Codes(Lay("\\c 1 2 3)x")), "\\c 1 2 3)x");
  EXPECT_EQ(Codes(Lay("\\a(1 2 3)x")), "\\a(1 2 3)x");
  EXPECT_EQ(Codes(Lay("\\c(x")), "\\c(x");
  // A backslash at the very end draws nothing more.
  EXPECT_EQ(Codes(Lay("ab\\")), "ab");
  // A second backslash after the first is ordinary text for the walk.
  EXPECT_EQ(Codes(Lay("\\\\q")), "\\\\q");
}

TEST(TextLayout, ColourWithoutClosingParenthesisEndsAtTheEndOfTheText) {
  EXPECT_EQ(Codes(Lay("a\\c(1 2 3 bcd")), "a");
  EXPECT_EQ(Codes(Lay("a\\c(1 2 3")), "a");
  // Cut in the middle of a sequence: the numbers do not all parse.
  EXPECT_EQ(Codes(Lay(std::string("\\c(255 0 0)").substr(0, 7))), "\\c(255 ");
}
