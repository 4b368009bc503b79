#include "testsupport.h"

#include <QtGui>
#include <QtTest>

namespace TestSupport {

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray pngBytes(int width, int height, Qt::GlobalColor colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QString helperPath(const QString &name)
{
    return QStringLiteral(GATEPOINT_TEST_BIN_DIR "/") + name;
}

QString launcherPath()
{
    return QStringLiteral(GATEPOINT_BINARY);
}

QString skinToolPath()
{
    return QStringLiteral(GATEPOINT_BUILD_DIR "/bin/gatepoint-skin");
}

Finished runProgram(const QString &program, const QStringList &arguments, const QProcessEnvironment &env, int timeoutMs,
    const QString &workingDir)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(workingDir);
    process.start(program, arguments);
    const bool ended = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    process.kill(); // still running: out of time
    process.waitForFinished();
    return { ended ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput()),
        QString::fromUtf8(process.readAllStandardError()) };
}

void isolate()
{
    QStandardPaths::setTestModeEnabled(true);
    qunsetenv("QT_QPA_PLATFORMTHEME");
}

QList<ProbeRecord> readProbeRecords(const QString &path)
{
    QList<ProbeRecord> records;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return records;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        if (object.isEmpty())
            continue; // blank, or still being written
        ProbeRecord record;
        record.program = object.value("program").toString();
        record.arguments = object.value("arguments").toVariant().toStringList();
        for (const QJsonValue &value : object.value("raw_arguments").toArray())
            record.rawArguments.append(QByteArray::fromHex(value.toString().toLatin1()));
        record.cwd = object.value("cwd").toString();
        record.pid = object.value("pid").toVariant().toLongLong();
        const QVariantMap env = object.value("env").toObject().toVariantMap();
        for (auto it = env.begin(); it != env.end(); ++it)
            record.env.insert(it.key(), it.value().toString());
        records.append(record);
    }
    return records;
}

QList<ProbeRecord> waitForProbeRecords(const QString &path, int count, int timeoutMs)
{
    // The probe is another process: its output is polled while queued
    // signals of the launcher under test run.
    QList<ProbeRecord> records;
    (void)QTest::qWaitFor([&] { return (records = readProbeRecords(path)).size() >= count; }, timeoutMs);
    return records;
}

UrlCatcher::UrlCatcher(const QStringList &schemes)
    : schemes(schemes)
{
    for (const QString &scheme : schemes)
        QDesktopServices::setUrlHandler(scheme, this, "open");
}

UrlCatcher::~UrlCatcher()
{
    for (const QString &scheme : schemes)
        QDesktopServices::unsetUrlHandler(scheme);
}

} // namespace TestSupport
