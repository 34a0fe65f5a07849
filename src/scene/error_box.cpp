// Error reporting: stderr always, the message box where the window layer provides one.
#include "scene/error_box.h"

#include <cstdio>

namespace {
ErrorBoxPresenter g_presenter = nullptr;
}

void ShowErrorBox(const char* text) {
  std::fprintf(stderr, "Error: %s\n", text);
  std::fflush(stderr);
  if (g_presenter != nullptr) g_presenter(text);
}

void SetErrorBoxPresenter(ErrorBoxPresenter presenter) { g_presenter = presenter; }
