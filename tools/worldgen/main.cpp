// quillmarsh_worldgen <outdir> [font.ttf]: writes the default world (height map,
// textures, trees, sky, crosshair, font, lantern) under <outdir>/gfx. The output
// is the same on every run.
#include <cstdio>

#include "worldgen.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "Usage: %s <outdir> [font.ttf]\n", argc > 0 ? argv[0] : "quillmarsh_worldgen");
    return 2;
  }
  const std::string fontFile = argc == 3 ? argv[2] : worldgen::kDefaultFontFile;
  return worldgen::WriteWorld(argv[1], fontFile) ? 0 : 1;
}
