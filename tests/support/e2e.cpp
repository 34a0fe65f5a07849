// Commands, deadlines, the shipped settings, window closing and the pointer grab for the
// tests that run whole programs.
#include "support/e2e.h"

#include <X11/Xlib.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "support/test_files.h"

bool WaitUntil(double seconds, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

std::string RunCapture(const std::vector<std::string>& argv, double seconds, int* exitCode) {
  std::string command = "timeout -s KILL " + std::to_string(seconds);
  for (const std::string& arg : argv) command += " '" + arg + "'";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char buffer[4096];
  for (size_t n = 0; pipe != nullptr && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = pipe != nullptr ? pclose(pipe) : -1;
  if (exitCode != nullptr) *exitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

std::string ReadText(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::string ShippedSettings() { return ReadText(std::string(std::getenv("QM_BUILD_DIR")) + "/Quillmarsh.ini"); }

bool SendDeleteWindow(const std::string& display, const std::string& windowId) {
  Display* x = XOpenDisplay(display.c_str());
  if (x == nullptr) return false;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = std::strtoul(windowId.c_str(), nullptr, 16);
  event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
  const Status sent = XSendEvent(x, event.xclient.window, False, NoEventMask, &event);
  XCloseDisplay(x);  // sends the request
  return sent != 0;
}

bool PointerGrabbed(const std::string& display) {
  Display* x = XOpenDisplay(display.c_str());
  if (x == nullptr) return false;
  const int result = XGrabPointer(x, DefaultRootWindow(x), False, 0, GrabModeAsync, GrabModeAsync, None, None,
                                  CurrentTime);
  XCloseDisplay(x);  // also ends a grab of our own
  return result == AlreadyGrabbed;
}
