// The dialog recorder of the tests: while it lives, every box the engine asks
// for is recorded (kind, caption, text) instead of shown, and answered without
// waiting. Recorders nest (an inner one hides the outer one until it ends) and
// may be reached from any thread, as the texture-streaming worker does.
#pragma once

#include "core/ZNAssert.h"

#include <deque>
#include <functional>
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
    // answer is what every box gets when no scripted answer is waiting.
    explicit ZNDialogRecorder(bool answer = false) : Answer(answer)
    {
        std::lock_guard<std::mutex> lock(Lock());
        Outer     = Current();
        Current() = this;
        Previous  = ZNSetDialogHandler(&ZNDialogRecorder::Handle);
    }
    ~ZNDialogRecorder()
    {
        std::lock_guard<std::mutex> lock(Lock());
        ZNSetDialogHandler(Previous);
        Current() = Outer;
    }
    ZNDialogRecorder(const ZNDialogRecorder&)            = delete;
    ZNDialogRecorder& operator=(const ZNDialogRecorder&) = delete;

    std::vector<ZNDialogRecord> Boxes() const
    {
        std::lock_guard<std::mutex> lock(Lock());
        return Records;
    }
    size_t Count() const { return Boxes().size(); }
    // Boxes whose caption or text contains part.
    size_t Count(const std::string& part) const
    {
        size_t n = 0;
        for (const ZNDialogRecord& r : Boxes())
            n += r.Caption.find(part) != std::string::npos || r.Text.find(part) != std::string::npos;
        return n;
    }
    // What each box reports: for an assertion the checked expression, for any
    // other box its text.
    std::vector<std::string> Expressions() const
    {
        std::vector<std::string> all;
        for (const ZNDialogRecord& r : Boxes())
        {
            const size_t from = r.Text.find('\n'), to = r.Text.find("\n\nFile:");
            const bool   assertion = r.Caption == "BREAK_IF" && from != std::string::npos && to != std::string::npos;
            all.push_back(assertion && to > from ? r.Text.substr(from + 1, to - from - 1) : r.Text);
        }
        return all;
    }
    // Assertion boxes whose checked expression is exactly expression.
    size_t Asserts(const std::string& expression) const
    {
        size_t n = 0;
        for (const ZNDialogRecord& r : Boxes())
            n += r.Caption == "BREAK_IF" && r.Text.find("\n" + expression + "\n\nFile:") != std::string::npos;
        return n;
    }
    // Every box as "[caption] text", one per line, for failure messages.
    std::string Summary() const
    {
        std::string all;
        for (const ZNDialogRecord& r : Boxes())
            all += "[" + r.Caption + "] " + r.Text + "\n";
        return all;
    }
    void Clear()
    {
        std::lock_guard<std::mutex> lock(Lock());
        Records.clear();
    }

    bool                  Answer;
    // Answers for the next questions (assertions excluded), first one first.
    std::deque<bool>      Answers;
    // Runs before a question takes a scripted answer (to mend a file, say).
    std::function<void()> OnQuestion;

private:
    static std::mutex& Lock()
    {
        static std::mutex lock;
        return lock;
    }
    static ZNDialogRecorder*& Current()
    {
        static ZNDialogRecorder* current = nullptr;
        return current;
    }
    static bool Handle(ZNDialogKind kind, const char* text, const char* caption)
    {
        std::function<void()> onQuestion;
        {
            std::lock_guard<std::mutex> lock(Lock());
            ZNDialogRecorder*           self = Current();
            self->Records.push_back({ kind, text ? text : "", caption ? caption : "" });
            const bool question = kind == ZNDialog_YesNo && self->Records.back().Caption != "BREAK_IF";
            if (!question)
                return self->Answer;
            onQuestion = self->OnQuestion;
        }
        // Outside the lock: the callback may itself raise a box.
        if (onQuestion)
            onQuestion();
        std::lock_guard<std::mutex> lock(Lock());
        ZNDialogRecorder*           self = Current();
        if (self->Answers.empty())
            return self->Answer;
        const bool answer = self->Answers.front();
        self->Answers.pop_front();
        return answer;
    }

    std::vector<ZNDialogRecord> Records;
    ZNDialogHandler             Previous = nullptr;
    ZNDialogRecorder*           Outer    = nullptr;   // the recorder this one hides
};
