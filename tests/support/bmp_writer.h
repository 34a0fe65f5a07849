// Writes BMP files in the layouts the tests need (filled in by the textures tests).
#pragma once
