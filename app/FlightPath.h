// FlightPath: the benchmark's fixed camera flight over the demo's world, as a
// pure function of time, so every run (the console's benchmark command, the
// frame benchmark) flies exactly the same path.
//
//   VoxCameraState cam = FlightPathAt(seconds);   // seconds since the flight began
//
// Guarantees:
// - At 0 s the state is the program's initial camera (InitialCameraState), so a
//   flight starts from the view the program opens with.
// - The path is smooth and repeats every FlightPathPeriod seconds: a figure of
//   eight over the terrain that turns the heading through every direction and
//   raises the view from 45 degrees down to just below the horizon and back, so
//   terrain, water and sky are all in view along the way.
// - The position stays inside the world's square, between 432 and 512 units up;
//   the pitch stays within the camera's limits.
// - The previous position and angles equal the current ones, so rendering with
//   any interpolation factor shows the same view.
#pragma once

#include "Camera.h"

const float FlightPathPeriod = 30.0f;   // seconds for one loop

VoxCameraState FlightPathAt(float seconds);
