// AppGlobals: process-wide state of the demo shared between the frame loop and
// the camera.
#pragma once

#include "ZNEngine.h"

// Non-zero while the right mouse button steers the view (set and cleared by the
// camera update); the frame loop re-centres the cursor while it is set. 0 at start.
extern UINT32 GMouseLook;
