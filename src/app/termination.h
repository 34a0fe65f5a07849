// Ending on SIGTERM and SIGINT, in every state of the program, with exit status
// 128 + the signal's number, and without leaving an "Error" box on screen.
//
// Before the main loop runs, a signal ends the program at once. Once it runs, the
// signal is noted and the loop ends the program at its next pass, as a close request
// would. While the "Error" box is up the loop does not run: the box is shown by a helper
// process, which the handler ends, so that the program goes on as after a dismissed box
// and then ends. Every process the program forks ends when the program does, however
// it ends (even by SIGKILL).
#pragma once

void InstallTerminationHandlers();
// From now on a signal is left to the main loop.
void LeaveTerminationToLoop();
// The signal that asked the program to end, or 0.
int TerminationSignal();

// Marks the time an "Error" box is up, for as long as the object lives.
class ErrorBoxUp {
 public:
  ErrorBoxUp();
  ~ErrorBoxUp();
  ErrorBoxUp(const ErrorBoxUp&) = delete;
  ErrorBoxUp& operator=(const ErrorBoxUp&) = delete;
};
