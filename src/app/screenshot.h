// Screenshots: the frame just drawn, as a PNG file in Screenshots/ under the working
// folder, named by the local date and time, never written over another file.
#pragma once

#include <ctime>
#include <string>

// Reads the viewport's pixels from the frame just drawn (before it is presented) and
// writes them. One stderr line names the file, or says why none could be written; the
// program goes on either way.
void SaveScreenshot(std::time_t when);

// The file for a screenshot taken at `when`, the n-th of that second (n from 1):
// "Screenshots/quillmarsh-YYYY-MM-DD-HHMMSS.png", with "-n" before ".png" from the second on.
std::string ScreenshotName(const std::tm& when, int n);
