// Diagnostic log "QVL.log" in the current directory: one line per call, opened and
// closed around each line so that a crash never loses what was written before it.
#pragma once

namespace qv {

// Formats once with its arguments (a "%" inside an argument is written as it is).
void LogLine(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Writes the text as it stands.
void LogText(const char* text);

// Starts a fresh log holding the line "Init".
void LogReset();

} // namespace qv
