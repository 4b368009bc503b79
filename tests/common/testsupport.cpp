#include "testsupport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QDir>
#include <QImage>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace TestSupport {

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(content) == content.size();
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
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    process.start(program, arguments);
    Finished result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
    } else if (process.exitStatus() == QProcess::NormalExit) {
        result.code = process.exitCode();
    }
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
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
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        if (object.isEmpty())
            continue; // a line still being written
        ProbeRecord record;
        record.program = object.value(QStringLiteral("program")).toString();
        for (const QJsonValue &value : object.value(QStringLiteral("arguments")).toArray())
            record.arguments.append(value.toString());
        for (const QJsonValue &value : object.value(QStringLiteral("raw_arguments")).toArray())
            record.rawArguments.append(QByteArray::fromHex(value.toString().toLatin1()));
        record.cwd = object.value(QStringLiteral("cwd")).toString();
        record.pid = object.value(QStringLiteral("pid")).toVariant().toLongLong();
        const QJsonObject env = object.value(QStringLiteral("env")).toObject();
        for (auto it = env.begin(); it != env.end(); ++it)
            record.env.insert(it.key(), it.value().toString());
        records.append(record);
    }
    return records;
}

QList<ProbeRecord> waitForProbeRecords(const QString &path, int count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QList<ProbeRecord> records = readProbeRecords(path);
    while (records.size() < count && !deadline.hasExpired()) {
        // The probe is another process: poll its output while letting
        // queued signals of the launcher under test run.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
        records = readProbeRecords(path);
    }
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
