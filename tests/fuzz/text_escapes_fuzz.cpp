// Fuzz target: the text layout and its escape reader over arbitrary text. The first
// bytes choose the pen and the right edge; the rest is the text, in an exact-size
// buffer without a terminator. Every escape moves on, nothing reads past the text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "text/text_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  int16_t pen[3];  // x, y, right edge
  std::memcpy(pen, data, sizeof pen);
  const std::vector<char> text(data + 6, data + size);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') continue;
    const size_t consumed = ReadEscape(text.data(), text.size(), i).consumed;
    if (consumed < 1 || consumed > text.size() - i) std::abort();
  }
  // At most two quads (bold) per character.
  TextStyle style;
  if (LayOutText(text.data(), text.size(), pen[0], pen[1], pen[2], style).quads.size() > 2 * text.size()) std::abort();
  return 0;
}
