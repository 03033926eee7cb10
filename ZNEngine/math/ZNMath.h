// ZNMath: the engine's small linear-algebra kit.
//
//   ZNVec3, ZNVec4   float vectors; default-constructed to zero
//   ZNQuat           quaternion (x, y, z vector part, w scalar part); default identity;
//                    never normalised behind the caller's back
//   ZNMat4           16 floats, column-major as OpenGL expects: row r, column c lives
//                    at m[4c + r]; translation at m[12..14]; default identity
//
// Conventions: points are column vectors multiplied on the right (p' = M p), so
// Mul(L, R) applies R first. View space is right-handed and looks down -z;
// projections map depth to clip -1 (near) .. 1 (far). Angles are radians.
//
// Usage:
//   ZNMat4 view = LookAt(eye, target, up);
//   ZNMat4 proj = Perspective(90.0f * ZN_DEG2RAD, 16.0f / 9.0f, 5.0f, 5000.0f);
//   ZNVec4 clip = Transform(Mul(proj, view), ZNVec4(p, 1.0f));
//
// Every type is a plain struct of floats, trivially copyable, so the engine's
// byte-moving containers (ZNPodArray) can hold them. The hot operations (vector
// arithmetic, matrix product, matrix-vector product) are inline here; the
// builders live in ZNMath.cpp. Degenerate arguments (zero-width ranges, a zero
// field of view) give non-finite matrix elements as IEEE arithmetic does; no call
// here asserts, allocates or touches global state.
#pragma once

#include <math.h>

#include "core/ZNAssert.h"

constexpr float ZN_PI      = 3.14159265f;
constexpr float ZN_DEG2RAD = 0.017453292f;   // multiply degrees by this for radians
constexpr float ZN_RAD2DEG = 57.295776f;     // multiply radians by this for degrees

// ---------------------------------------------------------------------------
// ZNVec3
// ---------------------------------------------------------------------------
struct ZNVec3
{
    float x = 0.0f, y = 0.0f, z = 0.0f;

    ZNVec3() = default;
    ZNVec3(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

    // Component k (0 = x, 1 = y, anything else = z); lets per-axis loops
    // index a vector without pointer arithmetic over the members.
    float  operator[](UINT32 k) const { return k == 0 ? x : (k == 1 ? y : z); }
    float& operator[](UINT32 k) { return k == 0 ? x : (k == 1 ? y : z); }

    ZNVec3& operator+=(const ZNVec3& b)
    {
        x += b.x;
        y += b.y;
        z += b.z;
        return *this;
    }
    ZNVec3& operator-=(const ZNVec3& b)
    {
        x -= b.x;
        y -= b.y;
        z -= b.z;
        return *this;
    }
    ZNVec3& operator*=(float s)
    {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }

    // Normalises in place; a vector of squared length exactly 0 stays as it is.
    void Normalize();
};

inline ZNVec3 operator+(const ZNVec3& a, const ZNVec3& b)
{
    return ZNVec3(a.x + b.x, a.y + b.y, a.z + b.z);
}
inline ZNVec3 operator-(const ZNVec3& a, const ZNVec3& b)
{
    return ZNVec3(a.x - b.x, a.y - b.y, a.z - b.z);
}
inline ZNVec3 operator-(const ZNVec3& a)
{
    return ZNVec3(-a.x, -a.y, -a.z);
}
inline ZNVec3 operator*(const ZNVec3& a, float s)
{
    return ZNVec3(a.x * s, a.y * s, a.z * s);
}
inline ZNVec3 operator*(float s, const ZNVec3& a)
{
    return ZNVec3(a.x * s, a.y * s, a.z * s);
}
inline bool operator==(const ZNVec3& a, const ZNVec3& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}
inline bool operator!=(const ZNVec3& a, const ZNVec3& b)
{
    return !(a == b);
}

inline float Dot(const ZNVec3& a, const ZNVec3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline ZNVec3 Cross(const ZNVec3& a, const ZNVec3& b)
{
    return ZNVec3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

inline float LengthSquared(const ZNVec3& a)
{
    return Dot(a, a);
}
inline float Length(const ZNVec3& a)
{
    return sqrtf(Dot(a, a));
}
inline float Distance(const ZNVec3& a, const ZNVec3& b)
{
    return Length(a - b);
}

// The squared length is taken in double so that a tiny but non-zero vector,
// whose float square would underflow to 0, still comes out with unit length:
// only the true zero vector is returned unchanged, and nothing divides by 0.
inline void ZNVec3::Normalize()
{
    const double sq = (double)x * x + (double)y * y + (double)z * z;
    if (sq == 0.0)
        return;
    const double inv = 1.0 / sqrt(sq);
    x                = (float)(x * inv);
    y                = (float)(y * inv);
    z                = (float)(z * inv);
}

// Normalised copy; see ZNVec3::Normalize.
inline ZNVec3 Normalize(const ZNVec3& v)
{
    ZNVec3 r = v;
    r.Normalize();
    return r;
}

// ---------------------------------------------------------------------------
// ZNVec4
// ---------------------------------------------------------------------------
struct ZNVec4
{
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;

    ZNVec4() = default;
    ZNVec4(float ax, float ay, float az, float aw) : x(ax), y(ay), z(az), w(aw) {}
    ZNVec4(const ZNVec3& v, float aw) : x(v.x), y(v.y), z(v.z), w(aw) {}

    ZNVec3 XYZ() const { return ZNVec3(x, y, z); }
};

inline ZNVec4 operator+(const ZNVec4& a, const ZNVec4& b)
{
    return ZNVec4(a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w);
}
inline ZNVec4 operator-(const ZNVec4& a, const ZNVec4& b)
{
    return ZNVec4(a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w);
}
inline ZNVec4 operator*(const ZNVec4& a, float s)
{
    return ZNVec4(a.x * s, a.y * s, a.z * s, a.w * s);
}
inline ZNVec4 operator*(float s, const ZNVec4& a)
{
    return a * s;
}
inline bool operator==(const ZNVec4& a, const ZNVec4& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
}
inline bool operator!=(const ZNVec4& a, const ZNVec4& b)
{
    return !(a == b);
}
inline float Dot(const ZNVec4& a, const ZNVec4& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
}

// ---------------------------------------------------------------------------
// ZNQuat
// ---------------------------------------------------------------------------
struct ZNQuat
{
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;

    ZNQuat() = default;
    ZNQuat(float ax, float ay, float az, float aw) : x(ax), y(ay), z(az), w(aw) {}
};

// ---------------------------------------------------------------------------
// ZNMat4
// ---------------------------------------------------------------------------
struct ZNMat4
{
    float m[16] = { 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f };

    float  operator[](UINT32 i) const { return m[i]; }
    float& operator[](UINT32 i) { return m[i]; }

    // Element in row r, column c.
    float At(UINT32 r, UINT32 c) const { return m[4 * c + r]; }

    // The 16 floats in upload order (uniform upload with transpose false).
    const float* Data() const { return m; }
};

inline ZNMat4 Identity()
{
    return ZNMat4();
}

inline ZNMat4 Translation(const ZNVec3& t)
{
    ZNMat4 r;
    r.m[12] = t.x;
    r.m[13] = t.y;
    r.m[14] = t.z;
    return r;
}

inline ZNMat4 Scaling(const ZNVec3& s)
{
    ZNMat4 r;
    r.m[0]  = s.x;
    r.m[5]  = s.y;
    r.m[10] = s.z;
    return r;
}

// L R: column j of the result is sum over k of column k of L times R(k, j).
inline ZNMat4 Mul(const ZNMat4& L, const ZNMat4& R)
{
    ZNMat4 out;
    for (UINT32 j = 0; j < 4; ++j)
    {
        const float r0 = R.m[4 * j + 0], r1 = R.m[4 * j + 1], r2 = R.m[4 * j + 2], r3 = R.m[4 * j + 3];
        for (UINT32 i = 0; i < 4; ++i)
            out.m[4 * j + i] = L.m[i] * r0 + L.m[4 + i] * r1 + L.m[8 + i] * r2 + L.m[12 + i] * r3;
    }
    return out;
}

inline ZNMat4 operator*(const ZNMat4& L, const ZNMat4& R)
{
    return Mul(L, R);
}

// M v with v a column vector.
inline ZNVec4 Transform(const ZNMat4& M, const ZNVec4& v)
{
    const float* m = M.m;
    return ZNVec4(
        m[0] * v.x + m[4] * v.y + m[8] * v.z + m[12] * v.w, m[1] * v.x + m[5] * v.y + m[9] * v.z + m[13] * v.w,
        m[2] * v.x + m[6] * v.y + m[10] * v.z + m[14] * v.w, m[3] * v.x + m[7] * v.y + m[11] * v.z + m[15] * v.w);
}

inline ZNVec4 operator*(const ZNMat4& M, const ZNVec4& v)
{
    return Transform(M, v);
}

// ---------------------------------------------------------------------------
// Builders (ZNMath.cpp)
// ---------------------------------------------------------------------------

// OpenGL perspective projection; fovY is the full vertical angle. m[15] is 0.
ZNMat4 Perspective(float fovY, float aspect, float zNear, float zFar);

// Orthographic projection. Note the parameter order: top comes before bottom.
// Ortho(0, width, 0, height, -1, 1) puts the origin at the top left corner with
// y growing downwards.
ZNMat4 Ortho(float left, float right, float top, float bottom, float zNear, float zFar);

// View matrix of a camera at eye looking at target; maps eye to the origin and
// target onto the negative z axis. With eye == target, or up exactly parallel
// to the view direction, the undefined rotation rows come out zero, never NaN.
ZNMat4 LookAt(const ZNVec3& eye, const ZNVec3& target, const ZNVec3& up);

// General inverse by cofactors. Returns false and leaves out untouched when the
// determinant is 0 or not finite.
bool Inverse(const ZNMat4& M, ZNMat4& out);

// x, y, z = axis * sin(angle / 2), w = cos(angle / 2); the axis is not normalised.
ZNQuat FromAxisAngle(float angle, const ZNVec3& axis);

// The engine's quaternion matrix. Its elements are placed so that Rotate(v,
// FromAxisAngle(a, axis)) turns v CLOCKWISE by a about an axis pointing at the
// viewer, the opposite of the right-hand rule: rotating (1, 0, 0) by a quarter
// turn about +z gives (0, -1, 0). Callers rely on this sense.
ZNMat4 ToMatrix(const ZNQuat& q);

// Transform(ToMatrix(q), (v, 1)) truncated to x, y, z.
ZNVec3 Rotate(const ZNVec3& v, const ZNQuat& q);
