// ZNEngine: the one header a program built on the engine includes.
//
//   #include "ZNEngine.h"
//   int main(int argc, char** argv) {
//       ZNEngineInit(argc, argv);
//       ZNAppWindow* window = ZNCreateAppWindow();
//       ...
//   }
//
// It brings in every public module: containers and system services, math,
// windows and GL contexts, rendering, files and resources, the engine's start,
// clock and log, the console and UI layers, and the application layer on top
// (window, command line, standard commands, free camera, frame statistics). The
// per-context state headers,
// the platform files and the codec stay internal; the engine's own sources go on
// including the modules they need one by one.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNRuntime.h"
#include "core/ZNSharedPtr.h"
#include "core/ZNStringUtil.h"
#include "core/ZNSys.h"
#include "core/ZNTemplate.h"
#include "core/ZNThread.h"

#include "math/ZNGeometry.h"
#include "math/ZNMath.h"

#include "window/ZNGLContext.h"
#include "window/ZNGLTable.h"
#include "window/ZNWindow.h"

#include "render/ZNGLErrors.h"
#include "render/ZNRT.h"
#include "render/ZNRenderCounters.h"
#include "render/ZNRenderState.h"
#include "render/ZNShader.h"
#include "render/ZNVertex.h"

#include "resources/ZNArchive.h"
#include "resources/ZNFileIO.h"
#include "resources/ZNImage.h"
#include "resources/ZNMaterial.h"
#include "resources/ZNTextParse.h"
#include "resources/ZNTexture.h"
#include "resources/ZNTextureStream.h"

#include "runtime/ZNDataPath.h"
#include "runtime/ZNEngineInternal.h"
#include "runtime/ZNLog.h"

#include "ui/ZNConCommands.h"
#include "ui/ZNConVar.h"
#include "ui/ZNConsole.h"
#include "ui/ZNConsoleLine.h"
#include "ui/ZNFont.h"
#include "ui/ZNUILayer.h"
#include "ui/ZNUIRender.h"

#include "application/ZNAppWindow.h"
#include "application/ZNApplication.h"
