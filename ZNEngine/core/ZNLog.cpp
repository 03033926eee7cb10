// ZNLog: formats into a fixed buffer and forwards to a replaceable handler.
#include "core/ZNLog.h"

#include <atomic>
#include <stdarg.h>
#include <stdio.h>

namespace
{
void DiscardLog(const char*)
{
}

// Atomic so that a worker thread logging while the main thread swaps the
// handler sees either the old or the new one, never a torn pointer.
std::atomic<ZNLogHandler> GLogHandler{ &DiscardLog };
}

ZNLogHandler ZNSetLogHandler(ZNLogHandler handler)
{
    return GLogHandler.exchange(handler ? handler : &DiscardLog);
}

void ZNLog(const char* format, ...)
{
    char    text[4096];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    GLogHandler.load()(text);
}
