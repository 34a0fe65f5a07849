// Setting one key of a settings text.
#include "headless/ini_edit.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace {

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::string WithSetting(const std::string& ini, const std::string& section, const std::string& key,
                        const std::string& value) {
  std::istringstream in(ini);
  std::ostringstream out;
  const std::string assignment = key + "=" + value + "\n";
  std::string current;
  bool done = false;
  for (std::string line; std::getline(in, line);) {
    const std::string t = Trim(line);
    const bool inSection = SameName(current, section);
    if (!t.empty() && t[0] == '[') {
      if (!done && inSection) {
        out << assignment;
        done = true;
      }
      current = Trim(t.substr(1, t.find(']') == std::string::npos ? std::string::npos : t.find(']') - 1));
    } else if (!done && inSection && t.find('=') != std::string::npos &&
               SameName(Trim(t.substr(0, t.find('='))), key)) {
      out << assignment;
      done = true;
      continue;
    }
    out << line << "\n";
  }
  if (!done && !SameName(current, section)) out << "[" << section << "]\n";
  if (!done) out << assignment;
  return out.str();
}

bool ApplySetting(std::string& ini, const std::string& assignment) {
  const size_t slash = assignment.find('/');
  const size_t eq = assignment.find('=');
  if (slash == std::string::npos || eq == std::string::npos || slash == 0 || eq < slash + 2) return false;
  ini = WithSetting(ini, assignment.substr(0, slash), assignment.substr(slash + 1, eq - slash - 1),
                    assignment.substr(eq + 1));
  return true;
}
