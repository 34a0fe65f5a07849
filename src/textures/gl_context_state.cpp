// The process-wide "a GL context is current" flag.
#include "textures/gl_context_state.h"

namespace {
bool contextAlive = false;
}  // namespace

void SetGLContextAlive(bool alive) { contextAlive = alive; }
bool GLContextAlive() { return contextAlive; }
