// Feedback-mode capture and GL state snapshots for the GL tests.
#include "support/gl_capture.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>

static_assert(sizeof(FeedbackVertex) == 3 * sizeof(GLfloat), "one feedback vertex is 3 floats");

std::vector<FeedbackPolygon> CapturePolygons(const std::function<void()>& draw) {
  // Room for a whole 100 x 100-cell terrain: 2 + 3 x 3 floats per triangle.
  std::vector<GLfloat> buffer(1 << 20);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint used = glRenderMode(GL_RENDER);
  EXPECT_GE(used, 0) << "feedback buffer overflow";
  std::vector<FeedbackPolygon> polygons;
  for (GLint at = 0; at < used; at += 2 + 3 * static_cast<GLint>(polygons.back().size())) {
    if (buffer[at] != GL_POLYGON_TOKEN) {
      ADD_FAILURE() << "feedback token " << buffer[at] << " is not a polygon";
      break;
    }
    polygons.emplace_back(static_cast<size_t>(buffer[at + 1]));
    std::memcpy(polygons.back().data(), &buffer[at + 2], sizeof(FeedbackVertex) * polygons.back().size());
  }
  return polygons;
}

std::vector<double> GLStateSnapshot() {
  std::vector<double> s;
  for (GLenum cap : {GL_BLEND, GL_DEPTH_TEST, GL_LIGHTING, GL_FOG, GL_TEXTURE_2D, GL_SCISSOR_TEST, GL_CULL_FACE}) {
    s.push_back(glIsEnabled(cap));
  }
  GLint v[4];
  for (GLenum name : {GL_BLEND_SRC, GL_BLEND_DST, GL_POLYGON_MODE, GL_SCISSOR_BOX, GL_MATRIX_MODE,
                      GL_TEXTURE_BINDING_2D}) {
    v[0] = v[1] = v[2] = v[3] = -1;
    glGetIntegerv(name, v);
    s.insert(s.end(), v, v + 4);
  }
  for (GLenum name : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) {
    glGetTexParameteriv(GL_TEXTURE_2D, name, v);
    s.push_back(v[0]);
  }
  GLdouble m[16];
  for (GLenum name : {GL_MODELVIEW_MATRIX, GL_PROJECTION_MATRIX, GL_TEXTURE_MATRIX}) {
    glGetDoublev(name, m);
    s.insert(s.end(), m, m + 16);
  }
  return s;
}
