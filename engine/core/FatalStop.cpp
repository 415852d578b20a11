#include "core/FatalStop.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {
FatalStopHandler g_handler = nullptr;
}

void SetFatalStopHandler(FatalStopHandler handler)
{
    g_handler = handler;
}

void FatalStop(const char* message)
{
    if (g_handler) g_handler(message);  // a test handler throws
    std::fputs(message, stdout);
    std::fflush(stdout);
    // The front end starts the engine with standard input closed: this returns at once.
    (void)std::getchar();
    std::exit(1);
}

void FatalStopf(const char* format, ...)
{
    char message[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    FatalStop(message);
}
