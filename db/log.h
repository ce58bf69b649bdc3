#pragma once

#include <ostream>
#include <string>

// The log: every line goes to the optional log stream (the log file) and to standard output,
// both flushed at once so that a crash loses nothing already logged.

// Sets the log stream, or clears it with nullptr. The stream must outlive its use here.
void SetLogStream(std::ostream* stream);

// printf-style; no newline is added. Text beyond 1023 characters is cut.
void LogMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The ctime text of the current local time that starts the log lines of long operations; it
// ends in a line break.
std::string LogTimeStamp();

// Logs a caught error as "ERROR: tag: message".
class Error;
void LogError(const Error& error);
