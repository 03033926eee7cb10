// Restores the process's argument list after a test replaced it.
#pragma once

#include "common/ZNTestPlatform.h"
#include "core/ZNSys.h"

#include <string>

struct ArgsGuard
{
    ~ArgsGuard()
    {
        std::string self   = ZNTestProgram();
        char*       argv[] = { &self[0] };
        ZNSetArguments(1, argv);
    }
};
