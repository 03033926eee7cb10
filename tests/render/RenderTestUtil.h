// Helpers shared by the rendering tests: a scratch data folder and a dialog
// recorder with scripted answers.
#pragma once

#include "core/ZNAssert.h"
#include "runtime/ZNDataPath.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <deque>
#include <string>
#include <vector>

// A fresh folder used as the data path while it lives; files are written by
// their engine names ("Shaders/A.shd").
class ZNTestDataDir
{
public:
    ZNTestDataDir()
    {
        memcpy(Saved, GDataPath, sizeof(Saved));
        char pattern[] = "/tmp/zn_render_XXXXXX";
        Root = std::string(mkdtemp(pattern) ? pattern : "/tmp") + "/";
        snprintf(GDataPath, ZN_DATA_PATH_SIZE, "%s", Root.c_str());
    }
    ~ZNTestDataDir()
    {
        memcpy(GDataPath, Saved, sizeof(Saved));
        if (system(("rm -rf '" + Root + "'").c_str()) != 0)
            fprintf(stderr, "could not remove %s\n", Root.c_str());
    }

    void Write(const std::string& name, const std::string& text) const
    {
        const std::string path = Root + name;
        for (size_t at = path.find('/', Root.size()); at != std::string::npos; at = path.find('/', at + 1))
            mkdir(path.substr(0, at).c_str(), 0755);
        if (FILE* f = fopen(path.c_str(), "wb"))
        {
            fwrite(text.data(), 1, text.size(), f);
            fclose(f);
        }
    }
    // Moves the file's modification time by seconds.
    void ShiftTime(const std::string& name, long seconds) const
    {
        struct stat st;
        if (stat((Root + name).c_str(), &st) != 0)
            return;
        struct timeval times[2] = { { st.st_atime + seconds, 0 }, { st.st_mtime + seconds, 0 } };
        utimes((Root + name).c_str(), times);
    }

    std::string Root;   // with a trailing '/'

private:
    char Saved[ZN_DATA_PATH_SIZE];
};

// Records every dialog while it lives. Assertions are answered No (never break);
// questions take the next scripted answer, No when the script is empty.
class ZNDialogRecorder
{
public:
    struct Record
    {
        std::string Text, Caption;
    };

    ZNDialogRecorder() { Previous = ZNSetDialogHandler(&Handle); Current = this; }
    ~ZNDialogRecorder() { ZNSetDialogHandler(Previous); Current = nullptr; }

    // Assertion reports whose text contains expression.
    int Asserts(const char* expression) const
    {
        int n = 0;
        for (const Record& r : Records)
            n += r.Caption == "BREAK_IF" && r.Text.find(expression) != std::string::npos;
        return n;
    }

    std::vector<Record> Records;
    std::deque<bool>    Answers;
    void              (*OnQuestion)() = nullptr;   // runs before each scripted answer

private:
    static bool Handle(ZNDialogKind, const char* text, const char* caption)
    {
        ZNDialogRecorder* self = Current;
        self->Records.push_back({ text, caption });
        if (strcmp(caption, "BREAK_IF") == 0)
            return false;
        if (self->OnQuestion)
            self->OnQuestion();
        if (self->Answers.empty())
            return false;
        const bool answer = self->Answers.front();
        self->Answers.pop_front();
        return answer;
    }

    static inline ZNDialogRecorder* Current = nullptr;
    ZNDialogHandler Previous = nullptr;
};
