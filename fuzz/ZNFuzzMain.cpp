// The libFuzzer entry of one target; the build names it with ZN_FUZZ_TARGET.
#include "ZNFuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    ZNFuzzSetUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ZNFuzzTakeDialogCount();
    return ZN_FUZZ_TARGET(data, size);
}
