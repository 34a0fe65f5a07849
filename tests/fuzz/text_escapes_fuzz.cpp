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
  int16_t x, y, right;
  std::memcpy(&x, data, 2);
  std::memcpy(&y, data + 2, 2);
  std::memcpy(&right, data + 4, 2);
  std::vector<char> text(data + 6, data + size);
  const size_t length = text.size();

  for (size_t i = 0; i < length; ++i) {
    if (text[i] != '\\') continue;
    const Escape e = ReadEscape(text.data(), length, i);
    if (e.consumed < 1 || e.consumed > length - i) std::abort();
  }
  TextStyle style;
  const TextLayout layout = LayOutText(text.data(), length, x, y, right, style);
  // At most two quads (bold) per character.
  if (layout.quads.size() > 2 * length) std::abort();
  return 0;
}
