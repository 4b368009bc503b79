// gatepoint-skin: the skin author's tool. It starts, checks, pictures and
// packs a skin, signs and checks background pictures with the digest the
// launcher demands, and renders the SVG sources of a skin into the pictures
// a medium carries.

#include "skincommand.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QTextStream>

#include <memory>

namespace {

const Skin::Command commands[] = {
    { "sign", "[--replace] [--key SECRET_KEY_FILE] FILE",
        "append the background digest (--replace re-signs a signed file; --key adds the issuer's signature)",
        Skin::AppKind::Core, nullptr, Skin::runSign },
    { "verify", "[--key PUBLIC_KEY_FILE] FILE",
        "exit 0 when FILE carries a valid background digest (and with --key the issuer's signature), 1 otherwise",
        Skin::AppKind::Core, nullptr, Skin::runVerify },
    { "keygen", "SECRET_KEY_FILE PUBLIC_KEY_FILE", "make an issuer key pair for signing backgrounds",
        Skin::AppKind::Core, nullptr, Skin::runKeygen },
    { "render-svg", "IN.svg OUT.png [WIDTH HEIGHT]", "render an SVG onto a transparent picture", Skin::AppKind::Gui,
        "offscreen", Skin::runRenderSvg },
    { "screenshot", "OUT.png", "save the whole X screen as a picture", Skin::AppKind::Gui, "xcb", Skin::runScreenshot },
    { "lint", "LINKS_FOLDER [--strict] [--json] [--respath DIR | --medium DIR]",
        "report the problems of a skin as file:line: severity: message (exit 2 on errors, 1 on warnings with --strict)",
        Skin::AppKind::Gui, "offscreen", Skin::runLint,
        "  --strict        exit 1 when there are warnings only\n"
        "  --json          the findings as a JSON array of {file, line, severity, message}\n"
        "  --respath DIR   look %respath% files up in DIR (default: the folder above LINKS_FOLDER)\n"
        "  --medium DIR    the same for the medium laid out in DIR (DIR/Commons)\n" },
    { "preview", "LINKS_FOLDER --out FILE.png [--open NAME] [--focus NAME]",
        "picture the launcher window of a skin, optionally with a folder opened or a button focused",
        Skin::AppKind::Widgets, "offscreen", Skin::runPreview,
        "  --out FILE.png  where the picture goes\n"
        "  --open NAME     open the folder button of NAME.link first\n"
        "  --focus NAME    give the keyboard focus to the button of NAME.link\n" },
    { "pack",
        "--program PATH --skin LINKS_FOLDER --out DIR [--resources DIR] [--translations DIR] [--blob FILE] "
        "[--iso FILE]",
        "lay out a signed, linted, self-contained medium (bin/ with its Qt beside Commons/, the rest of the "
        "resource folder included) and optionally its ISO image",
        Skin::AppKind::Gui, "offscreen", Skin::runPack,
        "  --program PATH       the launcher, copied to DIR/bin with the Qt libraries and plugins it needs\n"
        "  --skin LINKS_FOLDER  the skin, copied to DIR/Commons/links; its background is signed\n"
        "  --out DIR            the medium; replaced only when the skin lints without errors\n"
        "  --resources DIR      the resource folder whose other content goes to DIR/Commons\n"
        "                       (default: the skin's parent folder when it is named Commons)\n"
        "  --translations DIR   folder of the .qm catalogues (default: Commons beside the program's bin)\n"
        "  --blob FILE          copied to DIR/Commons/blob.bin\n"
        "  --iso FILE           also write an ISO image of DIR (needs xorriso)\n" },
    { "init", "DIR", "write a starter skin (three buttons, a folder, window controls) that lints clean and previews",
        Skin::AppKind::Gui, "offscreen", Skin::runInit,
        "  DIR  a new or empty folder; it becomes the links folder of the skin\n" },
};

void printUsage(QTextStream &stream)
{
    stream << "usage: gatepoint-skin COMMAND [ARGUMENTS]\n\ncommands:\n";
    for (const Skin::Command &command : commands) {
        stream << "  " << command.name << ' ' << command.synopsis << "\n      " << command.summary << '\n';
    }
    stream.flush();
}

void printCommandUsage(const Skin::Command &command, QTextStream &stream)
{
    stream << "usage: gatepoint-skin " << command.name << ' ' << command.synopsis << "\n\n" << command.summary << '\n';
    if (command.details)
        stream << '\n' << command.details;
    stream.flush();
}

bool asksForHelp(int argc, char *argv[])
{
    for (int i = 2; i < argc && qstrcmp(argv[i], "--") != 0; ++i) {
        if (qstrcmp(argv[i], "--help") == 0 || qstrcmp(argv[i], "-h") == 0)
            return true;
    }
    return false;
}

const Skin::Command *findCommand(const char *name)
{
    for (const Skin::Command &command : commands) {
        if (qstrcmp(command.name, name) == 0)
            return &command;
    }
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        printUsage(Skin::err());
        return Skin::UsageError;
    }
    if (qstrcmp(argv[1], "help") == 0 && argc > 2 && findCommand(argv[2])) {
        printCommandUsage(*findCommand(argv[2]), Skin::out());
        return Skin::Success;
    }
    if (qstrcmp(argv[1], "--help") == 0 || qstrcmp(argv[1], "-h") == 0 || qstrcmp(argv[1], "help") == 0) {
        printUsage(Skin::out());
        return Skin::Success;
    }
    const Skin::Command *command = findCommand(argv[1]);
    if (!command) {
        Skin::err() << "gatepoint-skin: unknown command " << argv[1] << '\n';
        printUsage(Skin::err());
        return Skin::UsageError;
    }
    if (asksForHelp(argc, argv)) {
        printCommandUsage(*command, Skin::out());
        return Skin::Success;
    }

    // Reading a skin writes the launcher's own trace lines; an author wants
    // the findings and the pictures only. QT_LOGGING_RULES still wins.
    QLoggingCategory::setFilterRules(QStringLiteral("gatepoint.*.debug=false\ngatepoint.*.info=false"));

    // The platform must be chosen before the application object exists.
    if (command->defaultPlatform && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", command->defaultPlatform);

    std::unique_ptr<QCoreApplication> app;
    if (command->app == Skin::AppKind::Widgets)
        app = std::make_unique<QApplication>(argc, argv);
    else if (command->app == Skin::AppKind::Gui)
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);

    // Arguments after the command name, decoded by Qt from the locale.
    const QStringList arguments = QCoreApplication::arguments().mid(2);
    const int code = command->run(arguments);
    Skin::out().flush();
    Skin::err().flush();
    return code;
}
