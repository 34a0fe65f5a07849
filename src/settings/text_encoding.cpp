// Byte-order marks, UTF-16 to UTF-8, and the UTF-8 check of a settings file.
#include "settings/text_encoding.h"

#include <string>

namespace {

void AppendUtf8(uint32_t code, std::string* out) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code >> 6)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

std::string Utf16ToUtf8(const uint8_t* data, size_t size, bool bigEndian) {
  constexpr uint32_t kReplacement = 0xFFFD;
  auto unit = [&](size_t at) {
    return bigEndian ? static_cast<uint32_t>(data[at] << 8 | data[at + 1])
                     : static_cast<uint32_t>(data[at + 1] << 8 | data[at]);
  };
  std::string out;
  out.reserve(size);
  for (size_t at = 2; at + 1 < size; at += 2) {
    const uint32_t first = unit(at);
    if (first < 0xD800 || first > 0xDFFF) {
      AppendUtf8(first, &out);
      continue;
    }
    const bool paired = first < 0xDC00 && at + 3 < size && unit(at + 2) >= 0xDC00 && unit(at + 2) <= 0xDFFF;
    if (!paired) {
      AppendUtf8(kReplacement, &out);
      continue;
    }
    AppendUtf8(0x10000 + ((first - 0xD800) << 10) + (unit(at + 2) - 0xDC00), &out);
    at += 2;
  }
  return out;
}

// The offset of the first byte that does not belong to a well-formed UTF-8 character
// (overlong forms, surrogates and values past U+10FFFF included), or `size`.
size_t FirstNonUtf8(const uint8_t* data, size_t size) {
  size_t at = 0;
  while (at < size) {
    const uint8_t lead = data[at];
    size_t length = 0;
    uint32_t lowest = 0;
    if (lead < 0x80) {
      ++at;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      lowest = 0x10000;
    } else {
      return at;
    }
    if (size - at < length) return at;
    uint32_t code = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
      if ((data[at + i] & 0xC0) != 0x80) return at;
      code = code << 6 | (data[at + i] & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return at;
    at += length;
  }
  return size;
}

}  // namespace

SettingsText DecodeSettingsText(const uint8_t* data, size_t size) {
  SettingsText text;
  if (size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF))) {
    text.utf8 = Utf16ToUtf8(data, size, data[0] == 0xFE);
    return text;
  }
  text.utf8.assign(reinterpret_cast<const char*>(data), size);
  size_t nuls = 0;
  for (size_t i = 0; i < size; ++i) nuls += data[i] == 0 ? 1 : 0;
  // Text written as UTF-16 has a NUL beside nearly every ASCII character.
  if (size >= 4 && nuls * 4 >= size) {
    text.problem = "it looks like UTF-16 without a byte-order mark; save it as UTF-8, or as UTF-16 with a "
                   "byte-order mark";
    return text;
  }
  const size_t bad = FirstNonUtf8(data, size);
  if (bad < size) {
    text.problem = "byte " + std::to_string(bad) + " is not UTF-8 text; save the file as UTF-8 or UTF-16";
  }
  return text;
}
