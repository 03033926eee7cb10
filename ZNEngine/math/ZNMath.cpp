// ZNMath: matrix and quaternion builders. Element placement follows the
// column-major layout described in ZNMath.h (row r, column c at 4c + r).
#include "math/ZNMath.h"

static ZNMat4 ZeroMatrix()
{
    ZNMat4 r;
    for (UINT32 i = 0; i < 16; ++i)
        r.m[i] = 0.0f;
    return r;
}

ZNMat4 Perspective(float fovY, float aspect, float zNear, float zFar)
{
    const float f = 1.0f / tanf(fovY * 0.5f);
    ZNMat4      r = ZeroMatrix();
    r.m[0]        = f / aspect;
    r.m[5]        = f;
    r.m[10]       = (zFar + zNear) / (zNear - zFar);
    r.m[11]       = -1.0f;
    r.m[14]       = 2.0f * zFar * zNear / (zNear - zFar);
    return r;
}

ZNMat4 Ortho(float left, float right, float top, float bottom, float zNear, float zFar)
{
    ZNMat4 r = ZeroMatrix();
    r.m[0]   = 2.0f / (right - left);
    r.m[5]   = 2.0f / (top - bottom);
    r.m[10]  = 2.0f / (zNear - zFar);
    r.m[12]  = (left + right) / (left - right);
    r.m[13]  = (top + bottom) / (bottom - top);
    r.m[14]  = (zNear + zFar) / (zNear - zFar);
    r.m[15]  = 1.0f;
    return r;
}

ZNMat4 LookAt(const ZNVec3& eye, const ZNVec3& target, const ZNVec3& up)
{
    const ZNVec3 f = Normalize(target - eye);
    const ZNVec3 s = Normalize(Cross(f, up));
    const ZNVec3 u = Cross(s, f);

    // Rows s, u, -f: row r, column c sits at 4c + r.
    ZNMat4 rot;
    rot.m[0]  = s.x;
    rot.m[4]  = s.y;
    rot.m[8]  = s.z;
    rot.m[1]  = u.x;
    rot.m[5]  = u.y;
    rot.m[9]  = u.z;
    rot.m[2]  = -f.x;
    rot.m[6]  = -f.y;
    rot.m[10] = -f.z;
    return Mul(rot, Translation(-eye));
}

bool Inverse(const ZNMat4& M, ZNMat4& out)
{
    // Cofactors in double: a camera matrix mixes translations of thousands of
    // units with unit rotations, and float cofactors lose the small terms.
    double a[16];
    for (UINT32 i = 0; i < 16; ++i)
        a[i] = M.m[i];

    double inv[16];
    inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] + a[9] * a[7] * a[14] +
             a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
    inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] - a[8] * a[7] * a[14] -
             a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
    inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] + a[8] * a[7] * a[13] +
             a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
    inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] - a[8] * a[6] * a[13] -
              a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
    inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] - a[9] * a[3] * a[14] -
             a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
    inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] + a[8] * a[3] * a[14] +
             a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
    inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] - a[8] * a[3] * a[13] -
             a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
    inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] + a[8] * a[2] * a[13] +
              a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
    inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] + a[5] * a[3] * a[14] +
             a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
    inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] - a[4] * a[3] * a[14] -
             a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
    inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] + a[4] * a[3] * a[13] +
              a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
    inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] - a[4] * a[2] * a[13] -
              a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
    inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] - a[5] * a[3] * a[10] -
             a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
    inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] + a[4] * a[3] * a[10] +
             a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
    inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] - a[4] * a[3] * a[9] -
              a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
    inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] + a[4] * a[2] * a[9] + a[8] * a[1] * a[6] -
              a[8] * a[2] * a[5];

    const double det = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
    if (det == 0.0 || !isfinite(det))
        return false;

    const double scale = 1.0 / det;
    for (UINT32 i = 0; i < 16; ++i)
        out.m[i] = (float)(inv[i] * scale);
    return true;
}

ZNQuat FromAxisAngle(float angle, const ZNVec3& axis)
{
    const float s = sinf(angle * 0.5f);
    return ZNQuat(axis.x * s, axis.y * s, axis.z * s, cosf(angle * 0.5f));
}

ZNMat4 ToMatrix(const ZNQuat& q)
{
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    ZNMat4      r;
    r.m[0]  = 1.0f - 2.0f * y * y - 2.0f * z * z;
    r.m[1]  = 2.0f * x * y - 2.0f * w * z;
    r.m[2]  = 2.0f * x * z + 2.0f * w * y;
    r.m[4]  = 2.0f * x * y + 2.0f * w * z;
    r.m[5]  = 1.0f - 2.0f * x * x - 2.0f * z * z;
    r.m[6]  = 2.0f * y * z - 2.0f * w * x;
    r.m[8]  = 2.0f * x * z - 2.0f * w * y;
    r.m[9]  = 2.0f * y * z + 2.0f * w * x;
    r.m[10] = 1.0f - 2.0f * x * x - 2.0f * y * y;
    return r;
}

ZNVec3 Rotate(const ZNVec3& v, const ZNQuat& q)
{
    return Transform(ToMatrix(q), ZNVec4(v, 1.0f)).XYZ();
}
