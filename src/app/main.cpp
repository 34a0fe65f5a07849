// Program entry: the platform and the program object live for the whole run, with
// static storage, so the program's members are destroyed in reverse order after the
// entry returns, and the window system after them.
#include "app/program.h"
#include "app/sdl_platform.h"

namespace {
std::unique_ptr<Platform> g_platform = CreateSdlPlatform();
Program g_program(*g_platform);
}  // namespace

int main() { return RunProgram(g_program); }
