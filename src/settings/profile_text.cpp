// Splitting the settings text into sections and keys, and the two number conversions.
// Works on the bytes it is given; reading the file is done elsewhere.
#include "settings/profile_text.h"

#include <locale.h>
#include <stdlib.h>

#include <cstdint>
#include <string>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// ASCII only: the user's locale must not change which names match.
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// Windows drops one pair of matching single or double quotes around a value.
std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// The "C" locale as an object of its own, so that conversions ignore setlocale().
locale_t CLocale() {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return cLocale;
}

}  // namespace

ProfileText::ProfileText(std::string_view text) {
  size_t pos = 0;
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) pos = kByteOrderMark.size();

  while (pos < text.size()) {
    size_t end = pos;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
    std::string_view line = text.substr(pos, end - pos);
    // Step over the line end: LF, CR, or CR followed by LF.
    pos = end;
    if (pos < text.size()) {
      if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ++pos;
      ++pos;
    }

    // Nothing after a NUL byte on its line is read: no value can hold one.
    line = Trim(line.substr(0, line.find('\0')));
    if (line.empty() || line.front() == ';') continue;

    if (line.front() == '[') {
      size_t close = line.find(']');
      std::string_view name = line.substr(1, close == std::string_view::npos ? std::string_view::npos
                                                                              : close - 1);
      sections_.push_back(Section{Trim(name), {}});
      continue;
    }

    size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view key = Trim(line.substr(0, equals));
    if (key.empty() || sections_.empty()) continue;
    std::string_view value = Unquote(Trim(line.substr(equals + 1)));
    sections_.back().entries.push_back(Entry{key, value});
  }
}

std::optional<std::string_view> ProfileText::Find(std::string_view section,
                                                  std::string_view key) const {
  for (const Section& s : sections_) {
    if (!EqualNoCase(s.name, section)) continue;
    // Only the first section of a name counts, whether or not it holds the key.
    for (const Entry& e : s.entries) {
      if (EqualNoCase(e.key, key)) return e.value;
    }
    return std::nullopt;
  }
  return std::nullopt;
}

int ParseProfileInt(std::string_view value) {
  size_t i = 0;
  while (i < value.size() && IsBlank(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
    negative = value[i] == '-';
    ++i;
  }
  // Accumulate in 64 bits and stop growing past the 32-bit range, so that any number
  // of digits is safe.
  constexpr int64_t kLimit = int64_t{INT32_MAX} + 1;
  int64_t magnitude = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    if (magnitude < kLimit) magnitude = magnitude * 10 + (value[i] - '0');
  }
  if (magnitude > kLimit) magnitude = kLimit;
  if (negative) return static_cast<int>(-magnitude);
  return static_cast<int>(magnitude < kLimit ? magnitude : INT32_MAX);
}

bool ParseProfileNumber(std::string_view value, double* number) {
  const std::string text(Trim(value));
  if (text.empty()) return false;
  char* end = nullptr;
  locale_t c = CLocale();
  *number = c == static_cast<locale_t>(0) ? strtod(text.c_str(), &end) : strtod_l(text.c_str(), &end, c);
  return end == text.c_str() + text.size();
}

double ParseProfileDouble(std::string_view value) {
  // strtod needs a terminated string; the views handed in point into the file's text.
  std::string text(value);
  locale_t c = CLocale();
  if (c == static_cast<locale_t>(0)) return strtod(text.c_str(), nullptr);
  return strtod_l(text.c_str(), nullptr, c);
}
