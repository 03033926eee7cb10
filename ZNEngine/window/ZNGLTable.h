// ZNGLTable: the GL function table of the context current on this thread.
//
// Every GL call of the engine goes through TGCurGLTable, OpenGL 1.1 calls included:
//   TGCurGLTable->BindBuffer(GL_ARRAY_BUFFER, id);
// The pointer is set by ZNGLContext Begin and cleared by End, together with
// TGCurContextState. A test may point it at a copy of a table whose entries it
// replaced with recorders.
#pragma once

#include <glad/gl.h>

extern thread_local GladGLContext* TGCurGLTable;
