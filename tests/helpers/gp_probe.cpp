// A stand-in for the programs that the launcher starts. It appends one JSON
// line per start to the file named by GP_PROBE_OUT with its arguments (as
// text and as the exact bytes), working folder, process id and the
// variables the launcher prepares, and a monotonic stamp taken first thing
// (the benchmarks time starts by it).
//
// GP_PROBE_SLEEP_MS makes it sleep this long before exiting (a program that
// runs).
#include <chrono>
#include <thread>

#include <QtCore>

int main(int argc, char *argv[])
{
    const auto started = std::chrono::steady_clock::now().time_since_epoch();
    // Plain argv, so that nothing is re-encoded on the way.
    QJsonArray arguments, rawArguments; // as text, and the exact bytes in hex
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
        rawArguments.append(QString::fromLatin1(QByteArray(argv[i]).toHex()));
    }
    QJsonObject env;
    for (const char *name : { "PYTHONPATH", "RESOURCEDIR", "RWROOT", "__COMPAT_LAYER" }) {
        if (qEnvironmentVariableIsSet(name))
            env.insert(QString::fromLatin1(name), QString::fromLocal8Bit(qgetenv(name)));
    }
    const QJsonObject record { { "program", QString::fromLocal8Bit(argv[0]) }, { "arguments", arguments },
        { "raw_arguments", rawArguments }, { "cwd", QDir::currentPath() },
        { "pid", QCoreApplication::applicationPid() }, { "env", env },
        { "monotonic_ns", QString::number(std::chrono::duration_cast<std::chrono::nanoseconds>(started).count()) } };
    // One write, so that starts at the same moment do not mix their lines.
    QFile out(QString::fromLocal8Bit(qgetenv("GP_PROBE_OUT")));
    if (out.open(QIODevice::WriteOnly | QIODevice::Append))
        out.write(QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n');
    out.close();
    if (const int sleepMs = qEnvironmentVariableIntValue("GP_PROBE_SLEEP_MS"))
        std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
    return 0;
}
