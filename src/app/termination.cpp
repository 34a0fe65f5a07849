// Signal handling for SIGTERM and SIGINT, and the "Error" box's helper process.
#include "app/termination.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

volatile sig_atomic_t g_signal = 0;
volatile sig_atomic_t g_loopRuns = 0;
volatile sig_atomic_t g_boxUp = 0;
pid_t g_program = 0;
// Forked children write their process id here while a box is up, so that the handler
// knows which process shows the box.
int g_helpers[2] = {-1, -1};

// The newest helper, or 0 when none has started.
pid_t NewestHelper() {
  pid_t newest = 0;
  pid_t pid = 0;
  while (read(g_helpers[0], &pid, sizeof pid) == static_cast<ssize_t>(sizeof pid)) newest = pid;
  return newest;
}

void OnTerminate(int signal) {
  g_signal = signal;
  if (g_boxUp) {
    const pid_t helper = NewestHelper();
    if (helper > 0) {
      // The box goes away with its process; the wait for it returns.
      kill(helper, SIGKILL);
      return;
    }
    // The box is shown by this process itself, or its helper has not started yet (one
    // that starts later dies with this process).
    _exit(128 + signal);
  }
  if (!g_loopRuns) _exit(128 + signal);
}

void InForkedChild() {
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  // The program may have ended before the line above took effect; or a signal asked it
  // to end before this fork: then no helper is wanted.
  if (getppid() != g_program || g_signal != 0) _exit(1);
  struct sigaction standard = {};
  standard.sa_handler = SIG_DFL;
  sigaction(SIGTERM, &standard, nullptr);
  sigaction(SIGINT, &standard, nullptr);
  if (g_boxUp) {
    const pid_t self = getpid();
    if (write(g_helpers[1], &self, sizeof self) != static_cast<ssize_t>(sizeof self)) _exit(1);
  }
  close(g_helpers[0]);
  close(g_helpers[1]);
}

}  // namespace

void InstallTerminationHandlers() {
  g_program = getpid();
  if (pipe2(g_helpers, O_CLOEXEC | O_NONBLOCK) != 0) g_helpers[0] = g_helpers[1] = -1;
  pthread_atfork(nullptr, nullptr, &InForkedChild);
  struct sigaction action = {};
  action.sa_handler = &OnTerminate;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

void LeaveTerminationToLoop() { g_loopRuns = 1; }

int TerminationSignal() { return g_signal; }

ErrorBoxUp::ErrorBoxUp() {
  NewestHelper();  // forget the helpers of earlier boxes
  g_boxUp = 1;
}

ErrorBoxUp::~ErrorBoxUp() { g_boxUp = 0; }
