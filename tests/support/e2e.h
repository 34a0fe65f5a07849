// Test support for the tests that run the real program or the headless renderer: a
// command run to completion with a deadline, polling with a deadline, whole files, the
// settings shipped in the build folder, the window manager's close request, and whether
// the pointer is grabbed.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Asks `done` every 50 ms until it holds (true) or `seconds` have passed (false).
bool WaitUntil(double seconds, const std::function<bool()>& done);
// Runs a command (no argument may hold a single quote) through the shell, killed after
// `seconds`; returns its stdout. Its exit code is 137 (128 + SIGKILL) when it was killed.
std::string RunCapture(const std::vector<std::string>& argv, double seconds = 10.0, int* exitCode = nullptr);
// The whole file as text ("" when it cannot be read).
std::string ReadText(const std::string& path);
// The settings shipped in the build folder.
std::string ShippedSettings();
// Asks the window to close, as a window manager's close button does (WM_DELETE_WINDOW).
bool SendDeleteWindow(const std::string& display, const std::string& windowId);
// Whether another client holds the pointer grabbed: our own grab is then refused.
bool PointerGrabbed(const std::string& display);
