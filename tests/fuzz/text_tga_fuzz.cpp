// Fuzz target: the font's Targa reader. Every status is one of the loader's codes and
// an accepted image holds exactly the pixels its header announces.
#include <cstdint>
#include <cstdlib>

#include "text/font_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FontImage image;
  const int status = DecodeFontImage(data, size, &image);
  const size_t bytes = image.format == FontPixelFormat::Alpha ? 1 : 4;
  const bool complete = image.pixels.size() == size_t(image.width) * size_t(image.height) * bytes;
  if (status == kFontLoaded ? !complete : status < kFontNoPixels || status > kFontBadType) std::abort();
  return 0;
}
