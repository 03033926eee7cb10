// The file chooser in a page: there is none (the page's files are the packed
// Data/ folder), so a chooser answers as if the person cancelled.
#include "core/ZNSysPlatform.h"

int ZNChooseFile(const char*, const char*, char*, UINT32, int)
{
    return 0;
}
