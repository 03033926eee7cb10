// The demo's view: the sky quad's corners, as plain math.
#include "Camera.h"

#include "common/ZNTestMath.h"

#include <gtest/gtest.h>

TEST(CameraSetup, SkyQuadCornersAreTheScreenCorners)
{
    for (float yaw : { 0.0f, 1.0f, 3.926991f, -2.5f })
        for (float pitch : { 0.3f, ZN_PI * 0.5f, 2.3561945f, 3.0f })
        {
            VoxCameraState s = InitialCameraState();
            s.Yaw = s.PrevYaw = yaw;
            s.Pitch = s.PrevPitch = pitch;
            VoxCamera cam;
            SetupCamera(s, 0.0f, 1024, 576, cam);
            VoxQuadVertex q[4];
            BuildSkyQuad(cam, q);
            const ZNMat4 vp = Mul(cam.Projection, cam.View);
            for (UINT32 k = 0; k < 4; ++k)
            {
                const ZNVec4 c = Transform(vp, ZNVec4(ZNVec3(q[k].R, q[k].G, q[k].B), 1.0f));
                EXPECT_NEAR(c.x / c.w, q[k].X, 2e-3f) << "yaw " << yaw << " pitch " << pitch << " corner " << k;
                EXPECT_NEAR(c.y / c.w, q[k].Y, 2e-3f) << "yaw " << yaw << " pitch " << pitch << " corner " << k;
                EXPECT_EQ(q[k].A, 1.0f);
                EXPECT_EQ(q[k].U, q[k].X > 0 ? 1.0f : 0.0f);
                EXPECT_EQ(q[k].V, q[k].Y > 0 ? 1.0f : 0.0f);
            }
            // Corner order: bottom-left, bottom-right, top-right, top-left.
            EXPECT_EQ(q[0].X, -1.0f);
            EXPECT_EQ(q[0].Y, -1.0f);
            EXPECT_EQ(q[2].X, 1.0f);
            EXPECT_EQ(q[2].Y, 1.0f);
        }
}
