// Shared helpers of the file-layer tests: a scratch folder that is the data
// path for the duration of a test, and a dialog handler that records boxes.
#pragma once

#include "core/ZNAssert.h"
#include "runtime/ZNDataPath.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

// Makes a fresh folder under the system's temporary folder and points
// GDataPath at it; everything is removed and GDataPath restored afterwards.
class ScratchDataPath
{
public:
    ScratchDataPath()
    {
        memcpy(Saved, GDataPath, sizeof(Saved));
        char pattern[] = "/tmp/zn_files_test_XXXXXX";
        const char* dir = mkdtemp(pattern);
        EXPECT_NE(dir, nullptr);
        Root = std::string(dir ? dir : "/tmp") + "/";
        snprintf(GDataPath, sizeof(GDataPath), "%s", Root.c_str());
    }
    ~ScratchDataPath()
    {
        std::string cmd = "rm -rf '" + Root + "'";
        if (system(cmd.c_str()) != 0)
            ADD_FAILURE() << "could not remove " << Root;
        memcpy(GDataPath, Saved, sizeof(Saved));
    }

    std::string Path(const std::string& name) const { return Root + name; }

    std::string Root;   // with a trailing '/'

private:
    char Saved[ZN_DATA_PATH_SIZE];
};

// Records every box and answers No (so a failed check carries on).
struct DialogRecorder
{
    struct Box
    {
        ZNDialogKind Kind;
        std::string  Text;
        std::string  Caption;
    };

    DialogRecorder()  { Boxes().clear(); Previous = ZNSetDialogHandler(&Record); }
    ~DialogRecorder() { ZNSetDialogHandler(Previous); }

    static std::vector<Box>& Boxes()
    {
        static std::vector<Box> boxes;
        return boxes;
    }

    // True when one recorded assertion shows exactly this expression.
    static bool SawAssertion(const std::string& expression)
    {
        for (const Box& b : Boxes())
            if (b.Caption == "BREAK_IF" && b.Text.find("\n" + expression + "\n") != std::string::npos)
                return true;
        return false;
    }

private:
    static bool Record(ZNDialogKind kind, const char* text, const char* caption)
    {
        Boxes().push_back(Box{kind, text ? text : "", caption ? caption : ""});
        return false;
    }

    ZNDialogHandler Previous;
};
