// The character encoding of a settings file. Editors on Windows save such files as
// UTF-8 (with or without a byte-order mark) or as UTF-16 with a byte-order mark, in
// either byte order; the settings reader works on UTF-8, so UTF-16 is converted first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct SettingsText {
  std::string utf8;     // the text to read: the file's bytes, or UTF-16 converted to UTF-8
  std::string problem;  // why the text may be read wrongly; empty when it is UTF-8 or UTF-16
};

// UTF-16 with a byte-order mark (FF FE little-endian, FE FF big-endian) becomes UTF-8,
// the mark dropped; a lone surrogate becomes U+FFFD and a final odd byte is dropped.
// Any other file is taken byte for byte, and `problem` says what is wrong when it is
// not UTF-8: UTF-16 without a mark (many NUL bytes), or the first byte that is not
// part of a UTF-8 character.
SettingsText DecodeSettingsText(const uint8_t* data, size_t size);
