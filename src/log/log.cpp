// The one stderr channel.
#include "log/log.h"

#include <cstdio>

namespace {
LogSink g_sink = nullptr;
}  // namespace

std::string Printable(std::string_view value) {
  std::string out;
  for (char c : value) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      out += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    }
  }
  return out;
}

std::string QuotedFile(std::string_view path) { return "\"" + Printable(path) + "\""; }

void Log(std::string_view concern, std::string_view subject, std::string_view reason) {
  std::string line = "quillmarsh: ";
  line += concern;
  line += ": ";
  if (!subject.empty()) {
    line += subject;
    line += ": ";
  }
  line += reason;
  if (g_sink != nullptr) {
    g_sink(line);
    return;
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

void SetLogSink(LogSink sink) { g_sink = sink; }
