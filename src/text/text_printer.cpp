// Font texture upload and text drawing. The layout and escapes come from
// text_layout.cpp; this file only saves state, draws the quads and restores state.
#include "text/text_printer.h"

#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "log/log.h"

namespace {

// Module-wide font and style (zero until the font is loaded).
GLuint g_fontTexture = 0;
// True once a font image is in the texture. Without one, GL would draw every glyph
// as a plain white cell, so Print draws nothing instead.
bool g_fontUsable = false;
FontGrid g_grid;
GLenum g_pixelFormat = 0;
TextStyle g_style;

GLenum ToGL(FontPixelFormat format) {
  switch (format) {
    case FontPixelFormat::Alpha: return GL_ALPHA;
    case FontPixelFormat::Rgba: return GL_RGBA;
  }
  return GL_ALPHA;
}

// [SECTION] Saved state of one print

struct SavedState {
  GLint polygonMode[2] = {GL_FILL, GL_FILL};  // front, back
  GLboolean texture2D = GL_FALSE;
  GLboolean depthTest = GL_FALSE;
  GLboolean lighting = GL_FALSE;
  GLboolean scissorTest = GL_FALSE;
  GLint scissorBox[4] = {0, 0, 0, 0};
  GLint matrixMode = GL_MODELVIEW;
  GLboolean blend = GL_FALSE;
  GLint blendSrc = GL_ONE;
  GLint blendDst = GL_ZERO;
};

SavedState SaveAndSetUp() {
  SavedState s;
  glGetIntegerv(GL_POLYGON_MODE, s.polygonMode);
  if (s.polygonMode[0] != GL_FILL) glPolygonMode(GL_FRONT, GL_FILL);
  if (s.polygonMode[1] != GL_FILL) glPolygonMode(GL_BACK, GL_FILL);
  s.texture2D = glIsEnabled(GL_TEXTURE_2D);
  if (!s.texture2D) glEnable(GL_TEXTURE_2D);
  s.depthTest = glIsEnabled(GL_DEPTH_TEST);
  if (s.depthTest) glDisable(GL_DEPTH_TEST);
  s.lighting = glIsEnabled(GL_LIGHTING);
  if (s.lighting) glDisable(GL_LIGHTING);
  s.scissorTest = glIsEnabled(GL_SCISSOR_TEST);
  glGetIntegerv(GL_SCISSOR_BOX, s.scissorBox);
  if (!s.scissorTest) glEnable(GL_SCISSOR_TEST);
  glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
  s.blend = glIsEnabled(GL_BLEND);
  glGetIntegerv(GL_BLEND_SRC, &s.blendSrc);
  glGetIntegerv(GL_BLEND_DST, &s.blendDst);
  if (!s.blend) glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  return s;
}

void Restore(const SavedState& s) {
  if (s.polygonMode[0] != GL_FILL) glPolygonMode(GL_FRONT, static_cast<GLenum>(s.polygonMode[0]));
  if (s.polygonMode[1] != GL_FILL) glPolygonMode(GL_BACK, static_cast<GLenum>(s.polygonMode[1]));
  if (s.lighting) glEnable(GL_LIGHTING);
  if (!s.blend) glDisable(GL_BLEND);
  glBlendFunc(static_cast<GLenum>(s.blendSrc), static_cast<GLenum>(s.blendDst));
  if (s.depthTest) glEnable(GL_DEPTH_TEST);
  if (!s.texture2D) glDisable(GL_TEXTURE_2D);
  if (!s.scissorTest) glDisable(GL_SCISSOR_TEST);
  // The caller's scissor box comes back too, so a caller that clips its own drawing
  // is not clipped to the text afterwards.
  glScissor(s.scissorBox[0], s.scissorBox[1], s.scissorBox[2], s.scissorBox[3]);
  glMatrixMode(static_cast<GLenum>(s.matrixMode));
}

void DrawQuad(const GlyphQuad& q) {
  const GlyphCoord g = g_grid.glyphs[q.code];
  const float cw = g_grid.cellWidth;
  const float ch = g_grid.cellHeight;
  glColor4fv(q.colour);
  glBegin(GL_QUADS);
  glTexCoord2f(g.u, g.v);
  glVertex2i(q.x, q.y);
  glTexCoord2f(g.u + cw, g.v);
  glVertex2i(q.x + q.size, q.y);
  glTexCoord2f(g.u + cw, g.v + ch);
  glVertex2i(q.x + q.size + q.slant, q.y + q.size);
  glTexCoord2f(g.u, g.v + ch);
  glVertex2i(q.x + q.slant, q.y + q.size);
  glEnd();
}

}  // namespace

namespace TextPrinter {

int LoadFont(const char* path) {
  g_fontUsable = false;
  glGenTextures(1, &g_fontTexture);
  BuildFontGrid(&g_grid);

  // No font named: no text is drawn, and nothing needs saying.
  if (path == nullptr || path[0] == '\0') return kFontCannotOpen;
  FontImage image;
  const int status = ReadFontFile(path, &image);
  if (status != kFontLoaded) {
    Log("font", QuotedFile(path ? path : ""), FontStatusText(status));
    return status;
  }
  g_pixelFormat = ToGL(image.format);

  glBindTexture(GL_TEXTURE_2D, g_fontTexture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(g_pixelFormat), image.width, image.height, 0, g_pixelFormat,
               GL_UNSIGNED_BYTE, image.pixels.data());
  g_fontUsable = true;
  return kFontLoaded;
}

void Print(int32_t x, int32_t y, const char* format, ...) {
  if (!g_fontUsable) return;
  char text[1024];
  std::memset(text, 0, sizeof text);
  if (format != nullptr) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
  }
  const size_t length = std::strlen(text);

  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);

  const SavedState saved = SaveAndSetUp();

  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, viewport[2], 0.0, viewport[3], -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();

  glBindTexture(GL_TEXTURE_2D, g_fontTexture);

  const TextLayout layout = LayOutText(text, length, x, y, viewport[0] + viewport[2], g_style);
  glScissor(layout.scissor.x, layout.scissor.y, layout.scissor.width, layout.scissor.height);
  for (const GlyphQuad& q : layout.quads) DrawQuad(q);

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();

  Restore(saved);
  g_style.Reset();
}

uint32_t FontTexture() { return g_fontTexture; }
uint32_t FontPixelFormatGL() { return g_pixelFormat; }
const TextStyle& Style() { return g_style; }

}  // namespace TextPrinter
