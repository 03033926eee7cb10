// ZNLog: the engine's message log.
//
// ZNLog formats a line (at most 4095 characters) and hands it to the current
// handler; the default handler discards it. An application or a test routes
// the log with ZNSetLogHandler:
//   ZNLogHandler old = ZNSetLogHandler(MyPrinter);
// The handler is called on the thread that logs.
#pragma once

typedef void (*ZNLogHandler)(const char* text);

// Replaces the handler and returns the previous one; null restores the default.
ZNLogHandler ZNSetLogHandler(ZNLogHandler handler);

void ZNLog(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
