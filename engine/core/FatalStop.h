// The engine's fatal-error convention: message on standard output, read one character
// from standard input (returns at once when it is closed), exit status 1.
#pragma once

[[noreturn]] void FatalStop(const char* message);

// printf-style convenience for messages that name a file and a place.
[[noreturn]] void FatalStopf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Tests replace the process exit by a handler that throws; the handler must not return.
using FatalStopHandler = void (*)(const char* message);
void SetFatalStopHandler(FatalStopHandler handler);  // nullptr restores the default
