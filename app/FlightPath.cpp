// FlightPath: a figure of eight with a turning heading and a nodding view.
#include "FlightPath.h"

#include <math.h>

namespace
{
const float Reach     = 700.0f;   // x amplitude, world units
const float Width     = 350.0f;   // y amplitude
const float Dip       = 80.0f;    // the altitude falls this far at the loop's ends
const float PitchLift = 0.66f;    // radians: 45 degrees down to about 7 degrees down
}

VoxCameraState FlightPathAt(float seconds)
{
    const VoxCameraState start = InitialCameraState();
    // Whole loops are taken off first, so a long flight keeps its precision.
    const float          local = fmodf(seconds, FlightPathPeriod);
    const float          theta = 2.0f * ZN_PI * (local < 0.0f ? local + FlightPathPeriod : local) / FlightPathPeriod;

    const float s1 = sinf(theta);
    const float s2 = sinf(2.0f * theta);

    VoxCameraState cam;
    cam.Position =
        ZNVec3(start.Position.x + Reach * s1, start.Position.y + Width * s2, start.Position.z - Dip * s1 * s1);
    cam.Yaw          = fmodf(start.Yaw + theta, 2.0f * ZN_PI);
    cam.Pitch        = start.Pitch - PitchLift * s2 * s2;
    cam.PrevPosition = cam.Position;
    cam.PrevYaw      = cam.Yaw;
    cam.PrevPitch    = cam.Pitch;
    return cam;
}
