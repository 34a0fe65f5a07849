// Error reporting: stderr always, the message box where the window layer provides one.
#include "log/error_box.h"

#include <utility>

#include "log/log.h"

namespace {
ErrorBoxPresenter g_presenter;
}

void ShowErrorBox(const char* text) {
  Log("Error", "", text);
  std::string why;
  if (g_presenter && !g_presenter(text, &why)) Log("Error box", "", "cannot be shown: " + why);
}

void SetErrorBoxPresenter(ErrorBoxPresenter presenter) { g_presenter = std::move(presenter); }
