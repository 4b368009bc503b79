#include "testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QFile>
#include <QFileInfo>
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

void isolate()
{
    QStandardPaths::setTestModeEnabled(true);
    qunsetenv("QT_QPA_PLATFORMTHEME");
}

} // namespace TestSupport

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

namespace TestSupport {

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
        record.cwd = object.value(QStringLiteral("cwd")).toString();
        record.pid = object.value(QStringLiteral("pid")).toVariant().toLongLong();
        record.monotonicNs = object.value(QStringLiteral("monotonic_ns")).toString().toLongLong();
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

} // namespace TestSupport
