#pragma once

#include <QString>
#include <QStringList>

class QDir;

// Shared helpers for the test executables.
namespace TestSupport {

// Writes text to a file (creating parent folders); returns false on failure.
bool writeFile(const QString &path, const QByteArray &content);

// Path of a helper program built with the tests (tests/helpers/<name>.cpp).
QString helperPath(const QString &name);

// The real launcher binary.
QString launcherPath();

// Call at the start of initTestCase: isolates QStandardPaths and clears
// a platform theme that would make file dialogs native.
void isolate();

} // namespace TestSupport
