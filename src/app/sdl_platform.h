// The program's window on SDL2 (X11 or Wayland): the only file that uses SDL's video
// and event API.
#pragma once

#include <memory>

#include "app/platform.h"

std::unique_ptr<Platform> CreateSdlPlatform();
