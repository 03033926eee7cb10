// The platform-neutral part of the test toolkit's system calls.
#include "common/ZNTestPlatform.h"

#include <stdlib.h>

ZNEnvSetting::ZNEnvSetting(const char* name, const char* value) : Name(name)
{
    const char* old = getenv(name);
    HadOld          = old != nullptr;
    if (old)
        Old = old;
    ZNSetEnv(name, value);
}

ZNEnvSetting::~ZNEnvSetting()
{
    ZNSetEnv(Name.c_str(), HadOld ? Old.c_str() : nullptr);
}

std::string ZNTestProgramDir()
{
    std::string program = ZNTestProgram();
    return program.substr(0, program.find_last_of("/\\") + 1);
}
