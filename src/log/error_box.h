// The one way failures that stop the program are shown: a stderr line, and the modal
// message box captioned "Error" that the window layer installs (none in tests).
#pragma once

#include <functional>
#include <string>

// Shows the box and returns once it is dismissed; false, with the reason in `why`, when
// no box could be shown.
using ErrorBoxPresenter = std::function<bool(const char* text, std::string* why)>;

// The stderr line first, then the box. A box that cannot be shown is reported on stderr
// with its reason, and the program goes on as if it had been dismissed.
void ShowErrorBox(const char* text);
// Installs the function that shows the box; nullptr shows nothing but the stderr line.
void SetErrorBoxPresenter(ErrorBoxPresenter presenter);
