// The text form of the settings file: "[Section]" lines, each followed by "Key=Value"
// lines, as Windows initialisation files are written. This file only finds values and
// turns them into numbers; which keys exist and what their defaults are lives in
// settings.cpp.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

// An index over the text of a settings file, built once; lookups afterwards. The views it
// hands out point into the text, which must outlive the index.
//
// Lines end at LF, CRLF or a lone CR; a NUL byte ends its line's content; a UTF-8
// byte-order mark at the start is skipped. Lines starting with ';' are comments. A line
// starting with '[' opens a section named by what lies up to the first ']' (or the line's
// end when there is none). Other lines need a '=' and a key in front of it; anything else
// is ignored, as are keys that stand before the first section. Blanks (spaces and tabs)
// around section names, keys and values are removed, and so is one pair of matching
// quotes around a value.
class ProfileText {
 public:
  explicit ProfileText(std::string_view text);
  virtual ~ProfileText() = default;

  // The value of `key` in the first section called `section`, both compared without
  // regard to letter case. Later sections of the same name and later occurrences of the
  // key are never consulted. Nothing when the section or key is absent; an empty view
  // when the key is present with nothing after its '='.
  std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;

 private:
  struct Entry {
    std::string_view key;
    std::string_view value;
  };
  struct Section {
    std::string_view name;
    std::vector<Entry> entries;
  };
  std::vector<Section> sections_;
};

// A value read as an integer the way the Windows profile reader does it: leading blanks,
// an optional sign, then decimal digits up to the first other character ("12abc" is 12,
// "010" is 10). No digits gives 0. Values beyond the 32-bit range are clamped to it.
int ParseProfileInt(std::string_view value);

// A value converted like strtod in the C locale, whatever the user's locale is: leading
// blanks skipped, the longest numeric prefix taken ("1,5" is 1.0), 0.0 when there is none.
// The result may be infinite or NaN ("inf", "nan", "1e999"); the caller decides.
double ParseProfileDouble(std::string_view value);

// The whole of `value` (blanks around it allowed) as one number in the C locale: false
// when anything else is left over or there is no number.
bool ParseProfileNumber(std::string_view value, double* number);
