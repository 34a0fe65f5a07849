// Program entry: the platform and the program object live for the whole run, with
// static storage, so the program's members are destroyed in reverse order after the
// entry returns, and the window system after them.
#include <cstdio>

#include "app/command_line.h"
#include "app/program.h"
#include "app/sdl_platform.h"
#include "log/log.h"

namespace {
std::unique_ptr<Platform> g_platform = CreateSdlPlatform();
Program g_program(*g_platform);
}  // namespace

int main(int argc, char** argv) {
  const CommandLine line = ParseCommandLine(argc, argv);
  switch (line.action) {
    case CommandLine::Action::kHelp:
      std::fputs(UsageText(), stdout);
      return 0;
    case CommandLine::Action::kVersion:
      std::printf("Quillmarsh %s\n", QM_VERSION);
      return 0;
    case CommandLine::Action::kUsageError:
      Log("command line", "", line.error);
      std::fputs(UsageText(), stderr);
      return 2;
    case CommandLine::Action::kRun:
      break;
  }
  return RunProgram(g_program, line);
}
