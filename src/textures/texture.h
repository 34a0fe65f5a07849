// Texture objects: one OpenGL texture name, the image size and the file it came from,
// filled from BMP files by two loaders (opaque RGB, or RGBA with a colour key).
#pragma once

#include <cstdint>

class Texture {
 public:
  Texture() = default;
  virtual ~Texture();
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  // Deletes the OpenGL texture, if any. Without a current GL context (see
  // gl_context_state.h) it only forgets the name.
  void Release();
  // Fresh texture name, clamped, linear / linear-mipmap-linear filtering. Always true.
  // `file` is kept in fileName, cut to 63 characters.
  bool Create(const char* file);
  void Bind() const;
  int32_t Width() const { return width; }
  int32_t Height() const { return height; }
  bool Empty() const { return glName == 0; }
  // True once a loader has put an image into the texture; a texture whose file failed
  // to load holds a name but no image, and is not drawn.
  bool HasImage() const { return width > 0 && height > 0; }

  // Opaque RGB texture from any BMP the decoder reads. False when the file cannot be
  // opened or decoded (with a stderr line) or no file is named (without one); the
  // texture then holds a fresh name without an image.
  bool LoadBMP(const char* file);
  // RGBA texture whose alpha is 0 exactly where red and green are 0. Ends the program
  // with exit status 1 when the file cannot be opened (after a stderr line naming the
  // file and the working folder). False, leaving a name without an image, when the
  // file opens but cannot be decoded.
  bool LoadBMPWithAlpha(const char* file);

  char fileName[64] = {};
  uint32_t glName = 0;  // OpenGL texture name plus one; 0 = no texture
  int32_t width = 0;    // pixels
  int32_t height = 0;   // pixels
};

// How a slot's file is loaded: Texture::LoadBMP or Texture::LoadBMPWithAlpha.
enum class TextureLoader { kOpaque, kColourKeyed };

// Up to ten textures filled in order, as the terrain and the tree set hold them.
struct TextureSlots {
  static constexpr int kCount = 10;
  Texture textures[kCount];
  int16_t lastTexture = -1;  // index of the last filled slot, -1 while none is

  // Fills the next slot from `file` with `loader`. False, loading nothing, when all
  // slots are filled; otherwise true whatever the loader reported.
  bool Add(const char* file, TextureLoader loader);
};
