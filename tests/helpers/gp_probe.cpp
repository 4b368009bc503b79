// A stand-in for the programs that the launcher starts. It appends one JSON
// line per start to the file named by GP_PROBE_OUT (or, when that is unset,
// to "probe-out.jsonl" in its working folder) with its arguments, working
// folder, the variables the launcher prepares, its process id and a
// monotonic timestamp taken first thing.
//
// GP_PROBE_SLEEP_MS makes it sleep this long before exiting (a program that
// runs).
#include <chrono>
#include <cstdlib>
#include <thread>

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

int main(int argc, char *argv[])
{
    const auto started = std::chrono::steady_clock::now().time_since_epoch();
    const qint64 startedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(started).count();

    // Plain argv, so that nothing is re-encoded on the way.
    QJsonArray arguments;
    QJsonArray rawArguments; // the exact bytes, in hex
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
        rawArguments.append(QString::fromLatin1(QByteArray(argv[i]).toHex()));
    }

    QJsonObject record;
    record.insert(QStringLiteral("program"), QString::fromLocal8Bit(argv[0]));
    record.insert(QStringLiteral("arguments"), arguments);
    record.insert(QStringLiteral("raw_arguments"), rawArguments);
    record.insert(QStringLiteral("cwd"), QDir::currentPath());
    record.insert(QStringLiteral("pid"), QCoreApplication::applicationPid());
    record.insert(QStringLiteral("monotonic_ns"), QString::number(startedNs));
    QJsonObject env;
    for (const char *name : { "PYTHONPATH", "RESOURCEDIR", "RWROOT", "__COMPAT_LAYER" }) {
        if (qEnvironmentVariableIsSet(name))
            env.insert(QString::fromLatin1(name), QString::fromLocal8Bit(qgetenv(name)));
    }
    record.insert(QStringLiteral("env"), env);

    QString outPath = QString::fromLocal8Bit(qgetenv("GP_PROBE_OUT"));
    if (outPath.isEmpty())
        outPath = QDir::current().absoluteFilePath(QStringLiteral("probe-out.jsonl"));
    QFile out(outPath);
    if (out.open(QIODevice::WriteOnly | QIODevice::Append)) {
        out.write(QJsonDocument(record).toJson(QJsonDocument::Compact));
        out.write("\n");
        out.close();
    }

    const int sleepMs = qEnvironmentVariableIntValue("GP_PROBE_SLEEP_MS");
    if (sleepMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
    return 0;
}
