#include "app/command_line.h"

#include <string_view>

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  CommandLine help;
  auto fail = [&line](const std::string& why) {
    if (line.action == CommandLine::Action::kRun) {
      line.action = CommandLine::Action::kUsageError;
      line.error = why;
    }
  };
  for (int k = 1; k < argc; ++k) {
    const std::string_view option = argv[k];
    if (option == "--help" || option == "-h") {
      help.action = CommandLine::Action::kHelp;
    } else if (option == "--version") {
      if (help.action == CommandLine::Action::kRun) help.action = CommandLine::Action::kVersion;
    } else if (option == "--settings" || option == "--world") {
      std::string& value = option == "--settings" ? line.settingsFile : line.worldFolder;
      if (k + 1 >= argc || argv[k + 1][0] == '\0') {
        fail(std::string(option) + " needs a " + (option == "--settings" ? "file" : "folder"));
      } else if (!value.empty()) {
        fail(std::string(option) + " is given twice");
      } else {
        value = argv[k + 1];
      }
      ++k;
    } else {
      fail("unknown option \"" + std::string(option) + "\"");
    }
  }
  return help.action != CommandLine::Action::kRun ? help : line;
}

const char* UsageText() {
  return "usage: quillmarsh [--settings FILE] [--world DIR]\n"
         "       quillmarsh --help | --version\n"
         "  --settings FILE  read FILE instead of Quillmarsh.ini beside the executable\n"
         "  --world DIR      start in DIR: the settings' file names are looked up there\n"
         "  --help           print this text\n"
         "  --version        print the program's version\n";
}
