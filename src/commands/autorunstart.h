#pragma once

#include <QString>
#include <QStringList>

// Starts one program of the autorun list and returns when it has ended; any
// thread may call it. The program gets an environment of its own (its
// folder as RESOURCEDIR, the flash partition as RWROOT, the Python runtime
// beside it or in the resource folder as PYTHONPATH); the launcher's stays
// untouched, so a click meanwhile never sees these values. A program that
// does not start is reported to StartNotices. Returns whether it started.
bool runAutorunProgram(const QString &program, const QStringList &arguments);

// The path of a program named in the autorun list: names are written without
// the platform's program suffix, relative to the application folder.
QString autorunProgramPath(const QString &name);
