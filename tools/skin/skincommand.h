#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// The subcommands of gatepoint-skin. Each lives in a file of its own and is
// listed once in the table of main.cpp; adding one means writing its run
// function and one table row.
namespace Skin {

enum ExitCode {
    Success = 0,
    Failure = 1, // the operation ran and failed, or the file is not valid
    UsageError = 2, // wrong arguments: nothing was done
};

// Which application object a subcommand needs.
enum class AppKind {
    Core, // files only
    Gui, // painting or screens
    Widgets, // a real launcher window
};

struct Command {
    const char *name;
    const char *synopsis; // arguments after the name, for the usage text
    const char *summary;
    AppKind app;
    // Platform plugin used when the caller has not chosen one; null keeps
    // Qt's own choice.
    const char *defaultPlatform;
    int (*run)(const QStringList &arguments);
    // What each argument means, for "COMMAND --help"; null when the
    // synopsis says it all.
    const char *details = nullptr;
};

QTextStream &out();
QTextStream &err();

// Splits arguments into options (words starting with "--") and positional
// values. Every option must be one of allowed; "--" ends the options, so a
// file whose name starts with "-" can still be named. Returns false with a
// message in error for an unknown option.
bool splitArguments(const QStringList &arguments, const QStringList &allowed, QStringList &options,
    QStringList &positionals, QString &error);

// Parses a positive pixel dimension no larger than maximum.
bool parseDimension(const QString &text, int maximum, int &value);

// Signs the picture at path in place (with the issuer's secret key when one
// is given); a signed picture is signed again only with replace.
bool signFile(const QString &path, bool replace, const QByteArray &secretKey, QString &error);

int runSign(const QStringList &arguments);
int runVerify(const QStringList &arguments);
int runKeygen(const QStringList &arguments);
int runRenderSvg(const QStringList &arguments);
int runScreenshot(const QStringList &arguments);
int runLint(const QStringList &arguments);
int runPreview(const QStringList &arguments);
int runPack(const QStringList &arguments);
int runInit(const QStringList &arguments);

} // namespace Skin
