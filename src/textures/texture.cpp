// Texture objects: one GL texture name (stored plus one), filled from BMP files by
// the opaque RGB loader and the colour-keyed RGBA loader, and the slot table.
// Decoding and the pixel layouts live in bmp_decode / texture_pixels.
#include "textures/texture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "log/log.h"
#include "textures/bmp_decode.h"
#include "textures/gl_context_state.h"
#include "textures/texture_pixels.h"

namespace {

void ReportFailure(const char* file, const std::string& reason) {
  Log("texture", QuotedFile(file ? file : ""), reason);
}

std::string WorkingFolder() {
  std::error_code ec;
  const std::filesystem::path cwd = std::filesystem::current_path(ec);
  return ec ? std::string("(unknown)") : cwd.string();
}

// Builds the mip-map chain from a bottom-up buffer of `components` bytes per pixel.
// The picture is first resampled here to the power-of-two size the chain needs:
// GLU's own rescaler reads past the end of the caller's buffer (and loses the last
// row) when only the width changes, so GLU is only ever given power-of-two sizes.
bool UploadMipmaps(const char* file, const std::vector<uint8_t>& pixels, int32_t width, int32_t height,
                   int components, GLenum format) {
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if (maxSize < 64) maxSize = 64;  // the least every implementation offers
  const int32_t potWidth = PowerOfTwoSize(width, maxSize);
  const int32_t potHeight = PowerOfTwoSize(height, maxSize);
  // A picture that already has the chain's size goes to GLU as it is, without a copy.
  std::vector<uint8_t> resampled;
  const bool sameSize = potWidth == width && potHeight == height && width > 0 && height > 0 &&
                        pixels.size() == static_cast<size_t>(width) * static_cast<size_t>(height) *
                                             static_cast<size_t>(components);
  if (!sameSize) resampled = ResampleImage(pixels, width, height, components, potWidth, potHeight);
  const std::vector<uint8_t>& stored = sameSize ? pixels : resampled;
  if (stored.empty()) {
    ReportFailure(file, "cannot prepare the pixels");
    return false;
  }
  // Rows are tightly packed: RGB rows need alignment 1, RGBA rows are whole words.
  glPixelStorei(GL_UNPACK_ALIGNMENT, components == 4 ? 4 : 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  const GLint result =
      gluBuild2DMipmaps(GL_TEXTURE_2D, components, potWidth, potHeight, format, GL_UNSIGNED_BYTE, stored.data());
  if (result != 0) {
    ReportFailure(file, std::string("cannot build mip-maps: ") +
                            reinterpret_cast<const char*>(gluErrorString(static_cast<GLenum>(result))));
    return false;
  }
  return true;
}

}  // namespace

Texture::~Texture() { Release(); }

void Texture::Release() {
  if (glName == 0) return;
  if (GLContextAlive()) {
    const GLuint name = glName - 1;
    glDeleteTextures(1, &name);
  }
  glName = 0;
}

bool Texture::Create(const char* file) {
  Release();
  const char* name = file ? file : "";
  std::snprintf(fileName, sizeof fileName, "%s", name);
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glName = texture + 1;
  glBindTexture(GL_TEXTURE_2D, texture);
  // Clamped to the edge texels: plain GL_CLAMP blends the outermost texels with the
  // (black) border colour under linear filtering, which draws a dark seam around every
  // repeat of the ground image. The picture inside is the same.
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  return true;
}

void Texture::Bind() const { glBindTexture(GL_TEXTURE_2D, glName - 1); }

bool Texture::LoadBMP(const char* file) {
  Create(file);
  width = height = 0;
  // No file named means no image wanted (an unset sky or skin): nothing to report.
  if (file == nullptr || file[0] == '\0') return false;
  std::string error;
  const std::optional<RgbImage> image = LoadBmpFile(file, &error);
  if (!image) {
    ReportFailure(file, error);
    return false;
  }
  if (!UploadMipmaps(file, BottomUpRgb(*image), image->width, image->height, 3, GL_RGB)) return false;
  width = image->width;
  height = image->height;
  return true;
}

bool Texture::LoadBMPWithAlpha(const char* file) {
  Create(file);
  width = height = 0;
  std::string error;
  std::vector<uint8_t> bytes;
  if (!ReadBmpFile(file, &bytes, &error)) {
    Log("texture", QuotedFile(file ? file : ""),
        error + " (working folder " + QuotedFile(WorkingFolder()) + "); the program ends");
    std::exit(1);
  }
  const std::optional<RgbImage> image = DecodeBmp(bytes.data(), bytes.size(), &error);
  if (!image) {
    ReportFailure(file, error);
    return false;
  }
  if (!UploadMipmaps(file, BottomUpColourKeyedRgba(*image), image->width, image->height, 4, GL_RGBA)) {
    return false;
  }
  width = image->width;
  height = image->height;
  return true;
}

bool TextureSlots::Add(const char* file, TextureLoader loader) {
  if (lastTexture >= kCount - 1) return false;
  ++lastTexture;
  Texture& slot = textures[lastTexture];
  if (loader == TextureLoader::kColourKeyed) {
    slot.LoadBMPWithAlpha(file);
  } else {
    slot.LoadBMP(file);
  }
  return true;
}
