// Whether an OpenGL context is current on this thread. The window code sets it when
// it makes its context current and clears it before the context goes away, so that
// textures released afterwards (global destructors at exit) make no GL call.
#pragma once

void SetGLContextAlive(bool alive);
bool GLContextAlive();
