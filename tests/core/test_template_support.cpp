// Records the assertion dialogs raised by the container tests: each entry is the
// checked expression as the dialog shows it (the line after the heading).
#include "core/ZNAssert.h"

#include <string>
#include <vector>

namespace
{
std::vector<std::string> GRecorded;
ZNDialogHandler GPrevious = nullptr;

bool Record(ZNDialogKind kind, const char* text, const char* caption)
{
    std::string t = text ? text : "";
    if (kind == ZNDialog_YesNo && caption && std::string(caption) == "BREAK_IF")
    {
        size_t b = t.find('\n');
        size_t e = t.find("\n\nFile:");
        if (b != std::string::npos && e != std::string::npos && e > b)
            t = t.substr(b + 1, e - b - 1);
    }
    GRecorded.push_back(t);
    return false;  // "No": carry on after the check
}
}  // namespace

void TemplateAssertsBegin()
{
    GRecorded.clear();
    GPrevious = ZNSetDialogHandler(Record);
}

std::vector<std::string> TemplateAssertsEnd()
{
    ZNSetDialogHandler(GPrevious);
    GPrevious = nullptr;
    std::vector<std::string> out;
    out.swap(GRecorded);
    return out;
}
