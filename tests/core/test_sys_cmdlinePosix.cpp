// The program path from argument zero and from the process's own command
// line (read from /proc in a child run).
#include "core/ZNSys.h"
#include "ArgsGuard.h"
#include "test_sys_child.h"

#include <gtest/gtest.h>

#include <string>

TEST(ProgramPath, WithoutFolderOrTooLongTheRealExecutableIsUsed)
{
    ArgsGuard   guard;
    std::string self = ZNTestProgram();
    ASSERT_LT(self.size(), static_cast<size_t>(ZN_MAX_PROGRAM_PATH)) << "test program path too long for this test";

    char  bare[]  = "zn_test_core";
    char* argv1[] = { bare };
    ZNSetArguments(1, argv1);
    EXPECT_EQ(std::string(ZNGetProgramPath()), self);
    EXPECT_STREQ(ZNGetArg(0), "zn_test_core") << "argument 0 itself is kept";

    // 300 characters with a folder: never cut, never overflowing.
    std::string longPath = "/" + std::string(298, 'd') + "/p";
    char*       argv2[]  = { &longPath[0] };
    ZNSetArguments(1, argv2);
    EXPECT_EQ(std::string(ZNGetProgramPath()), self);
    EXPECT_EQ(std::string(ZNGetArg(0)), longPath);

    std::string fits    = "/" + std::string(250, 'f') + "/p";   // 254 characters
    char*       argv3[] = { &fits[0] };
    ZNSetArguments(1, argv3);
    EXPECT_EQ(std::string(ZNGetProgramPath()), fits);
}

TEST(ProgramPath, WithoutArgumentsTheProcessCommandLineIsRead)
{
    ZNChildRun run = ZNRunChild("args", { "first", "two words", "", "back\\slash" }, { "ZN_DIALOG=no" });
    ASSERT_TRUE(run.ExitedWith(0)) << run.Describe();
    std::string expected = "count=6\narg=" + ZNTestProgram() +
                           "\narg=--zn-child=args\narg=first\narg=two words\n"
                           "arg=\narg=back\\slash\npath=" +
                           ZNTestProgram() + "\n";
    EXPECT_EQ(run.Out.substr(0, expected.size()), expected);
}
