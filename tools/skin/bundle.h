#pragma once

#include <QString>
#include <QStringList>

// What a packed medium carries besides its skin: the rest of the resource
// folder, and the Qt runtime its program needs on a desktop without Qt.
namespace Skin {

/// Copies every entry of the resource folder resources into commons except
/// the links folder, the skin being packed (skin) and entries already there.
/// Returns what it included, for the author to read ("docs/, tools/,
/// lang.ini, 4 translation files"), empty when nothing; error is set on failure.
QString includeResources(const QString &resources, const QString &skin, const QString &commons, QString &error);

/// Lays out beside the copied program (medium/bin/NAME): bin/lib/ with the
/// libraries it and its plugins need, bin/plugins/ with the platform plugin
/// and the image and icon plugins that the medium's pictures need, bin/qt.conf
/// and Qt's translation catalogues in commons; then strips them all. The
/// host's own libraries (host-libraries.txt) are left out. The program must
/// find bin/lib through its run path "$ORIGIN/lib". Returns false with error
/// set when something cannot be laid out; report gets one line per step.
bool bundleRuntime(const QString &program, const QString &commons, QStringList &report, QString &error);

} // namespace Skin
