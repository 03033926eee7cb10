// ZNShaderPreprocess: turns a .shd file into the text handed to the GLSL compiler.
//
//   ZNArray<ZNString> files;  ZNString text;
//   if (!PreprocessShaderFile(ZNString("Shaders/Sky.shd"), text, files))
//       show(text);                                  // text is the error message
//   ZNString vs = BuildShaderCompileText(true, defines + text + "\n");
//
// Guarantees: #include lines (the first word of their line, blanks allowed in
// front) are expanded recursively, first relative to the including file's folder
// and then relative to the data path. Every expanded file starts with "#line 1 k"
// where k is its index in the file list, and an include is followed by the line
// "#line <directive line> <includer's index>" and then whatever stood after the
// closing quote, so every directive names the line right after it and compiler
// messages can be mapped back to files (RewriteShaderLog). A file that includes itself, directly
// or through others, is refused with a message naming the chain of files, and
// nesting is limited to ZN_SHADER_MAX_INCLUDE_DEPTH levels, so no input recurses
// forever. A file included many times is read once, and the expansion is
// refused, naming the file where it passed the bound, once the text taken in
// exceeds ZN_SHADER_MAX_EXPANDED_SIZE, so no input takes long or much memory. Pure text processing over the file layer: no GL, no shared state.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNTemplate.h"

static const UINT32 ZN_SHADER_MAX_INCLUDE_DEPTH = 32;
// Bytes of file text one expansion may take in, every repeated include counted
// (with 32 bytes for its line directives).
static const UINT32 ZN_SHADER_MAX_EXPANDED_SIZE = 1u << 20;

// Expands path into output and appends every file read to files (in opening
// order; a file index is its position there). On failure output holds the
// error message ("File <path> was not found", "In included file <name>:\n...").
bool PreprocessShaderFile(const ZNString& path, ZNString& output, ZNArray<ZNString>& files);

// The fixed texts put before a stage's source.
extern const char* const ZN_SHADER_VERSION_TEXT;   // "#version 150\n#line 11111 0\n"
extern const char* const ZN_VERTEX_PROLOGUE;
extern const char* const ZN_PIXEL_PROLOGUE;
extern const char* const ZN_SHADER_DEFINES_LINE;   // "#line 22222 0\n"

// Version line, the stage prologue, the defines line marker, then text (which is
// the defines, the preprocessed file and a final line feed).
ZNString BuildShaderCompileText(bool vertexStage, const ZNString& text);

// Replaces file indices in a compiler log ("0(5) : ...", "0:5(10): ...") by the
// paths of those files; indices outside the list stay as they are. lineShift is
// subtracted from the line number that follows every replaced index (see
// GetLineDirectiveShift), which gives each file's own numbering because every
// directive of the compile text names the line that follows it.
void RewriteShaderLog(ZNString& log, const ZNArray<ZNString>& files, INT32 lineShift = 0);

// How many lines the current driver's compiler reports past the number a `#line`
// directive names for the line after it: 0 where "#line n" numbers the next
// line n (C rule, GLSL 3.30 on), 1 where it numbers it n + 1 (GLSL up to 1.50,
// which "#version 150" selects on conforming drivers). Measured once with a
// probe shader on the current context.
INT32 GetLineDirectiveShift();

// The info log of a GL shader object, or of a program object when program is
// set, as the driver wrote it. A log that cannot be had (length below 1) is a
// fatal error (ZNFatalErrorLog) with the text noLogError.
ZNString ReadGLInfoLog(UINT32 object, bool program, const char* noLogError);

// Reads the info log of a GL shader object, rewritten as above with the driver's
// line shift, into output, so messages carry each file's own line numbers. A
// failed compile without any log is a fatal error (ZNFatalErrorLog).
void printShaderInfoLog(UINT32 shader, const ZNArray<ZNString>& files, ZNString& output);
