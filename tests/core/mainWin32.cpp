// The core tests' entry on Windows. With --zn-child=<what> the program is a
// child of a test instead: it starts the engine's process services and then
// ends the way <what> names, for the parent to check.
#include <gtest/gtest.h>

#include <string.h>

#include "core/ZNSys.h"

int main(int argc, char** argv)
{
    if (argc >= 2 && strncmp(argv[1], "--zn-child=", 11) == 0)
    {
        const char* what = argv[1] + 11;
        ZNSysInit(argc, argv);
        if (strcmp(what, "fatal") == 0)
            ZNFatalError("the child's fatal error", "child");
        if (strcmp(what, "crash") == 0)
        {
            volatile int* nowhere = nullptr;
            *nowhere              = 1;
        }
        return 3;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
