// ZNScreenshotWriter: one thread per screenshot being written.
#include "application/ZNScreenshotWriter.h"

#include "core/ZNThread.h"
#include "ui/ZNConsole.h"

#include <atomic>
#include <utility>

struct ZNScreenshotJob
{
    ZNImage           Frame;        // the pixels, owned by the job
    ZNString          Name;         // engine file name written
    ZNString          Shown;        // the path as the console names it
    UINT32            Tag    = 0;   // the caller's mark
    UINT32            Width  = 0;   // of the frame, kept for the report
    UINT32            Height = 0;
    std::atomic<bool> Done{ false };     // set by the thread when it has finished
    bool              Written = false;   // read once Done is seen
    ZNThread          Thread;
};

namespace
{
UINT32 WriteJob(void* context)
{
    ZNScreenshotJob* job = static_cast<ZNScreenshotJob*>(context);
    job->Written         = SaveImageFile(job->Name.CStr(), job->Frame, ZN_PNG_LEVEL_FASTEST);
    // The pixels go as soon as they are written, not when the report is read.
    job->Frame.Pixels.Clear();
    job->Done.store(true);
    return 0;
}
}

ZNScreenshotWriter::~ZNScreenshotWriter()
{
    for (UINT32 i = 0; i < Jobs.Size(); ++i)
    {
        Jobs[i]->Thread.Wait(ZN_WAIT_INFINITE);
        delete Jobs[i];
    }
}

void ZNScreenshotWriter::Start(ZNImage& frame, const ZNString& name, const ZNString& shown, UINT32 tag)
{
    ZNScreenshotJob* job = new ZNScreenshotJob();
    job->Frame.Width     = frame.Width;
    job->Frame.Height    = frame.Height;
    job->Frame.Pixels    = std::move(frame.Pixels);
    frame.Width = frame.Height = 0;
    job->Name                  = name;
    job->Shown                 = shown;
    job->Tag                   = tag;
    job->Width                 = job->Frame.Width;
    job->Height                = job->Frame.Height;
    Jobs.Add(job);
    job->Thread.Start(WriteJob, job);
}

UINT32 ZNScreenshotWriter::Report(ZNConsole& console, UINT32* failedTag)
{
    UINT32 failures = 0;
    // In the order started: a later shot that finished first waits for its turn.
    while (Jobs.Size() && Jobs[0]->Done.load())
    {
        ZNScreenshotJob* job = Jobs[0];
        job->Thread.Wait(ZN_WAIT_INFINITE);
        Jobs.Remove(0, 0);
        if (job->Written)
            console.Printf("screenshot: %s (%u x %u)", job->Shown.CStr(), (unsigned)job->Width, (unsigned)job->Height);
        else
        {
            console.Error("screenshot: could not write '%s'", job->Shown.CStr());
            if (failedTag && failures == 0)
                *failedTag = job->Tag;
            ++failures;
        }
        delete job;
    }
    return failures;
}

UINT32 ZNScreenshotWriter::Finish(ZNConsole& console, UINT32* failedTag)
{
    for (UINT32 i = 0; i < Jobs.Size(); ++i)
        Jobs[i]->Thread.Wait(ZN_WAIT_INFINITE);
    return Report(console, failedTag);
}
