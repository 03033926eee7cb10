// A dialog handler for tests: records every box (kind, text, caption) and
// answers with a chosen value, for as long as the recorder object lives.
#pragma once

#include "core/ZNAssert.h"

#include <mutex>
#include <string>
#include <vector>

struct ZNDialogRecord
{
    ZNDialogKind Kind;
    std::string  Text;
    std::string  Caption;
};

class ZNDialogRecorder
{
public:
    explicit ZNDialogRecorder(bool answer = false) : Answer(answer)
    {
        Outer = Current();
        Current() = this;
        Previous = ZNSetDialogHandler(&ZNDialogRecorder::Handle);
    }
    ~ZNDialogRecorder()
    {
        ZNSetDialogHandler(Previous);
        Current() = Outer;
    }

    std::vector<ZNDialogRecord> Boxes() const
    {
        std::lock_guard<std::mutex> lock(Mutex);
        return Records;
    }
    size_t Count() const { return Boxes().size(); }
    // Texts of the recorded boxes, one per line, for failure messages.
    std::string Summary() const
    {
        std::string all;
        for (const ZNDialogRecord& r : Boxes())
            all += "[" + r.Caption + "] " + r.Text + "\n";
        return all;
    }

    bool Answer;

private:
    static ZNDialogRecorder*& Current()
    {
        static ZNDialogRecorder* current = nullptr;
        return current;
    }
    static bool Handle(ZNDialogKind kind, const char* text, const char* caption)
    {
        ZNDialogRecorder* self = Current();
        std::lock_guard<std::mutex> lock(self->Mutex);
        self->Records.push_back({kind, text, caption});
        return self->Answer;
    }

    mutable std::mutex          Mutex;
    std::vector<ZNDialogRecord> Records;
    ZNDialogHandler             Previous = nullptr;
    ZNDialogRecorder*           Outer = nullptr;   // the recorder this one hides
};
