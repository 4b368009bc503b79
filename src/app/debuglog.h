#pragma once

#include <QString>

// The debug lines, sent to a file as well when the user asks for one (the
// "--debug-log FILE" option, else the GATEPOINT_DEBUG_LOG variable); off by
// default. Each line is appended with its time and category and written out
// at once, so the file holds everything up to a crash. The lines still go
// where they went before (the standard error stream).
namespace DebugLog {

// The file the option or the variable names; empty: none.
QString requestedPath(const QString &option);

// Opens the file and routes every message there from now on. False (with a
// line on the standard error stream) when it cannot be opened.
bool start(const QString &path);

} // namespace DebugLog
