// The command line: no options runs the program as always; the options choose another
// settings file or another folder to start in, or print the usage or the version.
#pragma once

#include <string>

struct CommandLine {
  enum class Action { kRun, kHelp, kVersion, kUsageError };
  Action action = Action::kRun;
  std::string settingsFile;  // --settings FILE; empty: Quillmarsh.ini beside the executable
  std::string worldFolder;   // --world DIR; empty: the folder the program was started in
  std::string error;         // with kUsageError: what is wrong, for the user
};

// Reads argv[1] .. argv[argc - 1]. --help or --version anywhere wins over the rest; an
// unknown option, a missing argument, an empty one or a repeated option is a usage error.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The usage text, several lines ending in a newline.
const char* UsageText();
