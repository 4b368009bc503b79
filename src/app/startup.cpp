#include "startup.h"

#include <QCoreApplication>

namespace {

// The options that Qt's application objects take out of the command line,
// written with one dash (Qt accepts two as well). Those that take a value
// as the next argument, and those that stand alone.
const QStringList &toolkitOptionsWithValue()
{
    static const QStringList options { QStringLiteral("platform"), QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"), QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"),
        QStringLiteral("geometry"), QStringLiteral("qwindowtitle"), QStringLiteral("title"),
        QStringLiteral("qwindowicon"), QStringLiteral("icon"), QStringLiteral("session"), QStringLiteral("display"),
        QStringLiteral("name"), QStringLiteral("style"), QStringLiteral("stylesheet"), QStringLiteral("visual") };
    return options;
}

const QStringList &toolkitFlags()
{
    static const QStringList options { QStringLiteral("reverse"), QStringLiteral("widgetcount"),
        QStringLiteral("qdevel"), QStringLiteral("nograb"), QStringLiteral("dograb"), QStringLiteral("sync"),
        QStringLiteral("testability") };
    return options;
}

// The option's word without its dashes, or empty for what is not one.
QString optionWord(const QString &argument)
{
    if (argument.startsWith(QLatin1String("--")))
        return argument.mid(2);
    if (argument.startsWith(QLatin1Char('-')))
        return argument.mid(1);
    return QString();
}

} // namespace

StartupArguments parseStartupArguments(const QStringList &arguments)
{
    static const QString hideSwitch = QStringLiteral("--hide");
    static const QString pidPathPrefix = QStringLiteral("processpidpath");
    static const QString pidPathSeparator = QStringLiteral("::");

    StartupArguments result;
    if (arguments.size() >= 2) {
        if (arguments.at(1).compare(hideSwitch, Qt::CaseInsensitive) == 0)
            result.hide = true;
        else
            result.hasFileArguments = true;
    }
    if (!result.hasFileArguments)
        return result; // anything after a leading --hide is ignored

    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument.startsWith(pidPathPrefix)) {
            // Without "::" there is no second part: an empty pid path.
            const QStringList parts = argument.split(pidPathSeparator);
            result.processPidPath = parts.size() > 1 ? parts.at(1) : QString();
            continue;
        }
        result.fileArguments.append(argument);
    }
    return result;
}

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine result;
    if (!arguments.isEmpty()) {
        if (arguments.first() == QLatin1String("--help"))
            result.request = CommandLine::Help;
        else if (arguments.first() == QLatin1String("--version"))
            result.request = CommandLine::Version;
        if (result.request != CommandLine::Run)
            return result;
    }

    int first = 0;
    while (first < arguments.size()) {
        const QString &argument = arguments.at(first);
        if (argument == QLatin1String("--debug-log") && first + 1 < arguments.size()) {
            result.debugLog = arguments.at(first + 1);
            first += 2;
            continue;
        }
        const QString word = optionWord(argument);
        if (word.isEmpty())
            break;
        if (toolkitOptionsWithValue().contains(word) && first + 1 < arguments.size()) {
            result.toolkitArguments << first << first + 1;
            first += 2;
            continue;
        }
        // "-style=fusion" and the like, and the options without a value.
        if (toolkitFlags().contains(word) || toolkitOptionsWithValue().contains(word.section(QLatin1Char('='), 0, 0))
            || word.startsWith(QLatin1String("qmljsdebugger="))) {
            result.toolkitArguments << first;
            ++first;
            continue;
        }
        break;
    }
    result.startup = parseStartupArguments(QStringList { QString() } + arguments.mid(first));
    return result;
}

QString usageText(const QString &programName)
{
    return QCoreApplication::translate("main",
        "Uso: %1 [opzioni] [--hide | PULSANTE [FILE...] [processpidpath::PERCORSO]]\n"
        "\n"
        "Senza argomenti apre la finestra del launcher; con --hide la apre nascosta, con la sola icona "
        "nell'area di notifica.\n"
        "Con il nome di un pulsante consegna i file che seguono a quel pulsante e termina; "
        "processpidpath::PERCORSO scrive l'identificativo del programma avviato in PERCORSO.\n"
        "\n"
        "Opzioni:\n"
        "  --help              mostra questo aiuto ed esce\n"
        "  --version           mostra la versione ed esce\n"
        "  --debug-log FILE    scrive i messaggi di diagnostica in coda a FILE\n"
        "                      (anche con la variabile d'ambiente GATEPOINT_DEBUG_LOG=FILE)\n")
        .arg(programName);
}
