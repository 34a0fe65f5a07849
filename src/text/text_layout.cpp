// Escape reading and text layout. The number formats of the colour escapes follow the
// standard scanner's rules for "(%d %d %d)" and "(%d %d %d %d)", but the scan is
// bounded by the text's length instead of a terminating zero.
#include "text/text_layout.h"

#include <algorithm>
#include <limits>

namespace {

int32_t Clamp32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// A scanner over text[pos, length) for the colour formats.
class Scanner {
 public:
  Scanner(const char* text, size_t length, size_t pos) : text_(text), length_(length), pos_(pos) {}

  // A literal character of the format: must match the next character exactly.
  bool Literal(char c) {
    if (pos_ >= length_ || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  // A blank in the format: any run of white space, also none.
  void Blanks() {
    while (pos_ < length_ && IsSpace(text_[pos_])) ++pos_;
  }
  // %d: white space, an optional sign, at least one decimal digit. Out-of-range values
  // saturate at the int range.
  bool Integer(int32_t* out) {
    Blanks();
    bool negative = false;
    if (pos_ < length_ && (text_[pos_] == '+' || text_[pos_] == '-')) {
      negative = text_[pos_] == '-';
      ++pos_;
    }
    int64_t value = 0;
    size_t digits = 0;
    while (pos_ < length_ && text_[pos_] >= '0' && text_[pos_] <= '9') {
      value = std::min<int64_t>(value * 10 + (text_[pos_] - '0'), int64_t{1} << 40);
      ++pos_;
      ++digits;
    }
    if (digits == 0) return false;
    *out = Clamp32(negative ? -value : value);
    return true;
  }

 private:
  const char* text_;
  size_t length_;
  size_t pos_;
};

// Reads "(%d %d ...)" with `count` numbers starting at pos. Like the standard scanner,
// success means that every number was read; the closing ")" need not match.
bool ScanColour(const char* text, size_t length, size_t pos, int count, int32_t* values) {
  Scanner in(text, length, pos);
  if (!in.Literal('(')) return false;
  for (int i = 0; i < count; ++i) {
    if (i > 0) in.Blanks();
    if (!in.Integer(&values[i])) return false;
  }
  return true;
}

}  // namespace

Escape ReadEscape(const char* text, size_t length, size_t pos) {
  Escape e;
  if (pos + 1 >= length) {
    e.kind = EscapeKind::EndOfText;
    e.consumed = length > pos ? length - pos : 1;
    return e;
  }
  const char letter = text[pos + 1];
  if (letter == 'c' || letter == 'a') {
    const int count = letter == 'c' ? 3 : 4;
    int32_t values[4] = {0, 0, 0, 255};
    if (!ScanColour(text, length, pos + 2, count, values)) return e;  // malformed: backslash glyph
    e.kind = EscapeKind::Colour;
    for (int i = 0; i < 4; ++i) e.colour[i] = static_cast<float>(values[i]) * (1.0f / 255.0f);
    if (count == 3) e.colour[3] = 1.0f;
    // The walk goes on after the first ")" behind the letter; without one the
    // sequence takes the rest of the text.
    size_t close = pos + 2;
    while (close < length && text[close] != ')') ++close;
    e.consumed = close < length ? close + 1 - pos : length - pos;
    return e;
  }
  if ((letter == 'b' || letter == 'i') && pos + 2 < length && (text[pos + 2] == '+' || text[pos + 2] == '-')) {
    e.kind = letter == 'b' ? EscapeKind::Bold : EscapeKind::Italic;
    e.on = text[pos + 2] == '+';
    e.consumed = 3;
    return e;
  }
  return e;  // unrecognised or malformed: backslash glyph, next character as text
}

TextLayout LayOutText(const char* text, size_t length, int32_t x, int32_t y, int32_t rightLimit,
                      TextStyle& style) {
  TextLayout out;
  if (text == nullptr) length = 0;
  const int64_t s = style.glyphSize;

  int64_t newlines = 0;
  int64_t tabs = 0;
  for (size_t i = 0; i < length; ++i) {
    newlines += text[i] == '\n';
    tabs += text[i] == '\t';
  }
  // The box is as wide as the whole text would be if every character advanced one
  // glyph (four glyphs per tab when there are tabs), and as high as its lines.
  out.scissor.x = x;
  out.scissor.width = Clamp32((tabs > 0 ? 4 * tabs : 1) * s * static_cast<int64_t>(length));
  if (newlines > 0) {
    out.scissor.y = Clamp32(int64_t{y} - newlines * s);
    out.scissor.height = Clamp32(s * (newlines + 1));
  } else {
    out.scissor.y = y;
    out.scissor.height = Clamp32(s);
  }

  int64_t penX = x;
  int64_t penY = y;
  auto addGlyph = [&](uint8_t code) {
    GlyphQuad q;
    q.code = code;
    q.x = Clamp32(penX);
    q.y = Clamp32(penY);
    q.size = style.glyphSize;
    q.slant = style.slant;
    std::copy(style.colour, style.colour + 4, q.colour);
    out.quads.push_back(q);
    if (style.bold) {
      q.x = Clamp32(penX + 1);
      out.quads.push_back(q);
    }
    penX += s;
  };

  size_t i = 0;
  while (i < length && penX <= rightLimit) {
    const char c = text[i];
    if (c == '\t') {
      penX += 5 * s;
      ++i;
    } else if (c == '\n') {
      penX = x;
      penY -= s;
      ++i;
    } else if (c == '\\') {
      const Escape e = ReadEscape(text, length, i);
      switch (e.kind) {
        case EscapeKind::Colour: std::copy(e.colour, e.colour + 4, style.colour); break;
        case EscapeKind::Bold: style.bold = e.on; break;
        case EscapeKind::Italic: style.slant = e.on ? kItalicSlant : 0; break;
        case EscapeKind::EndOfText: break;
        case EscapeKind::Backslash: addGlyph(static_cast<uint8_t>('\\')); break;
      }
      i += e.consumed;
    } else {
      addGlyph(static_cast<uint8_t>(c));
      ++i;
    }
  }
  return out;
}
