// Comparisons of vectors and matrices within a tolerance; a failure prints
// both values whole, not one component at a time.
//   EXPECT_VEC_NEAR(got, want, tolerance)
//   EXPECT_MAT_NEAR(got, want, tolerance)
#pragma once

#include "math/ZNMath.h"

#include <gtest/gtest.h>

#include <math.h>

#include <sstream>

inline std::ostream& operator<<(std::ostream& out, const ZNVec3& v)
{
    return out << "(" << v.x << ", " << v.y << ", " << v.z << ")";
}

inline std::ostream& operator<<(std::ostream& out, const ZNMat4& m)
{
    for (UINT32 i = 0; i < 16; ++i)
        out << (i == 0 ? "[" : i % 4 == 0 ? "; " : ", ") << m[i];
    return out << "]";
}

template <class T, UINT32 N>
::testing::AssertionResult ZNNear(const char* gotText, const char* wantText, const char*, const T& got, const T& want,
                                  float tolerance)
{
    for (UINT32 i = 0; i < N; ++i)
        if (!(fabsf(got[i] - want[i]) <= tolerance))
        {
            std::ostringstream why;
            why.precision(9);
            why << gotText << " = " << got << "\n"
                << wantText << " = " << want << "\ndiffer by " << fabsf(got[i] - want[i]) << " in element " << i
                << ", more than " << tolerance;
            return ::testing::AssertionFailure() << why.str();
        }
    return ::testing::AssertionSuccess();
}

#define EXPECT_VEC_NEAR(got, want, tolerance) EXPECT_PRED_FORMAT3((ZNNear<ZNVec3, 3>), got, want, tolerance)
#define EXPECT_MAT_NEAR(got, want, tolerance) EXPECT_PRED_FORMAT3((ZNNear<ZNMat4, 16>), got, want, tolerance)
