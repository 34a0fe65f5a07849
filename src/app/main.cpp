// Program entry: the program object lives for the whole run, with static storage, so
// its members are destroyed in reverse order after the entry returns.
#include "app/program.h"

namespace {
Program g_program;
}

int main() { return RunProgram(g_program); }
