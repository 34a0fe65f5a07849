// The one way failures are shown: "Error: <text>" on stderr, and the modal message box
// captioned "Error" that the window layer installs (none in tests and headless runs).
#pragma once

using ErrorBoxPresenter = void (*)(const char* text);

void ShowErrorBox(const char* text);
// Installs the function that shows the box; nullptr shows nothing but the stderr line.
void SetErrorBoxPresenter(ErrorBoxPresenter presenter);
