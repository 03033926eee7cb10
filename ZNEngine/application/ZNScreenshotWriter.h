// ZNScreenshotWriter: screenshots compressed and written on threads of their
// own, so the frame goes on while a large picture is written. The frame is
// handed over (not copied); compression uses the fastest PNG level.
//
//   writer.Start(frame, engineName, "shots/a.png");   // frame is emptied
//   each frame: writer.Report(console);               // prints the finished ones
//   at the end: writer.Finish(console);               // waits, then prints the rest
//
// Guarantees: every started screenshot is written (or its failure reported)
// exactly once, in the order started; nothing is lost at the program's end, as
// the destructor waits for writes still running. Report and Finish run on the
// thread that owns the console.
#pragma once

#include "core/ZNTemplate.h"
#include "resources/ZNImage.h"

class ZNConsole;
struct ZNScreenshotJob;

class ZNScreenshotWriter
{
public:
    ZNScreenshotWriter() = default;
    ~ZNScreenshotWriter();
    ZNScreenshotWriter(const ZNScreenshotWriter&)            = delete;
    ZNScreenshotWriter& operator=(const ZNScreenshotWriter&) = delete;

    // Takes frame's pixels (frame is left empty) and starts writing them to the
    // engine file name; shown is the path the console line names. tag marks the
    // job for the caller (Report answers the tags of the failed ones).
    void   Start(ZNImage& frame, const ZNString& name, const ZNString& shown, UINT32 tag = 0);
    // Prints "screenshot: PATH (W x H)" or "screenshot: could not write 'PATH'"
    // for each screenshot finished since the last call, in the order started;
    // the count of failures among them, with the first failed tag in failedTag.
    UINT32 Report(ZNConsole& console, UINT32* failedTag = nullptr);
    // Waits for every write, then reports as Report does.
    UINT32 Finish(ZNConsole& console, UINT32* failedTag = nullptr);
    // Screenshots started and not yet reported.
    UINT32 Pending() const { return Jobs.Size(); }

private:
    ZNPodArray<ZNScreenshotJob*> Jobs;   // oldest first
};
