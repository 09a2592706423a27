// Matrix helpers of the scene (row-vector convention).
#include "platform/scene/Scene.h"

#include <cmath>

namespace scene {

Matrix Matrix::Identity() {
  Matrix r;
  for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
  return r;
}

Matrix Matrix::Scaling(float sx, float sy, float sz) {
  Matrix r = Identity();
  r.m[0][0] = sx;
  r.m[1][1] = sy;
  r.m[2][2] = sz;
  return r;
}

Matrix Matrix::Translation(float tx, float ty, float tz) {
  Matrix r = Identity();
  r.m[3][0] = tx;
  r.m[3][1] = ty;
  r.m[3][2] = tz;
  return r;
}

Matrix Matrix::RotationX(float a) {
  Matrix r = Identity();
  const float c = std::cos(a), s = std::sin(a);
  r.m[1][1] = c;
  r.m[1][2] = s;
  r.m[2][1] = -s;
  r.m[2][2] = c;
  return r;
}

Matrix Matrix::RotationY(float a) {
  Matrix r = Identity();
  const float c = std::cos(a), s = std::sin(a);
  r.m[0][0] = c;
  r.m[0][2] = -s;
  r.m[2][0] = s;
  r.m[2][2] = c;
  return r;
}

Matrix Matrix::RotationZ(float a) {
  Matrix r = Identity();
  const float c = std::cos(a), s = std::sin(a);
  r.m[0][0] = c;
  r.m[0][1] = s;
  r.m[1][0] = -s;
  r.m[1][1] = c;
  return r;
}

// Roll about Z first, then pitch about X, then yaw about Y.
Matrix Matrix::RotationYawPitchRoll(float yaw, float pitch, float roll) {
  return RotationZ(roll) * RotationX(pitch) * RotationY(yaw);
}

Matrix Matrix::PerspectiveFovLH(float fovY, float aspect, float zNear, float zFar) {
  Matrix r;
  const float yScale = 1.0f / std::tan(fovY / 2.0f);
  const float xScale = yScale / aspect;
  r.m[0][0] = xScale;
  r.m[1][1] = yScale;
  r.m[2][2] = zFar / (zFar - zNear);
  r.m[2][3] = 1.0f;
  r.m[3][2] = -zNear * zFar / (zFar - zNear);
  return r;
}

static Vec3 Sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
static float Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
static Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
static Vec3 Normalize(const Vec3& v) {
  const float len = std::sqrt(Dot(v, v));
  if (len == 0.0f) return v;
  return {v.x / len, v.y / len, v.z / len};
}

Matrix Matrix::LookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up) {
  const Vec3 z = Normalize(Sub(at, eye));
  const Vec3 x = Normalize(Cross(up, z));
  const Vec3 y = Cross(z, x);
  Matrix r = Identity();
  r.m[0][0] = x.x;
  r.m[0][1] = y.x;
  r.m[0][2] = z.x;
  r.m[1][0] = x.y;
  r.m[1][1] = y.y;
  r.m[1][2] = z.y;
  r.m[2][0] = x.z;
  r.m[2][1] = y.z;
  r.m[2][2] = z.z;
  r.m[3][0] = -Dot(x, eye);
  r.m[3][1] = -Dot(y, eye);
  r.m[3][2] = -Dot(z, eye);
  return r;
}

Vec3 Matrix::TransformPoint(const Vec3& v) const {
  return {v.x * m[0][0] + v.y * m[1][0] + v.z * m[2][0] + m[3][0],
          v.x * m[0][1] + v.y * m[1][1] + v.z * m[2][1] + m[3][1],
          v.x * m[0][2] + v.y * m[1][2] + v.z * m[2][2] + m[3][2]};
}

bool Matrix::operator==(const Matrix& o) const {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (m[i][j] != o.m[i][j]) return false;
  return true;
}

Matrix operator*(const Matrix& a, const Matrix& b) {
  Matrix r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
      r.m[i][j] = s;
    }
  return r;
}

}  // namespace scene
