#include "debuglog.h"

#include <cstdio>
#include <memory>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>

#include "platform/platform.h"

namespace {

QMutex fileLock;
std::unique_ptr<QFile> logFile;
QtMessageHandler previousHandler = nullptr;

const char *typeWord(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "debug";
}

void writeMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        // Autorun passes write from a thread of their own.
        QMutexLocker locker(&fileLock);
        if (logFile) {
            QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8();
            line += ' ';
            line += typeWord(type);
            line += ' ';
            line += context.category ? context.category : "default";
            line += ": ";
            line += message.toUtf8();
            line += '\n';
            logFile->write(line);
            logFile->flush();
        }
    }
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

namespace DebugLog {

QString requestedPath(const QString &option)
{
    return option.isEmpty() ? qEnvironmentVariable("GATEPOINT_DEBUG_LOG") : option;
}

bool start(const QString &path)
{
    if (path.isEmpty())
        return false;
    QString error;
    std::unique_ptr<QFile> file = Platform::openAppendFile(QDir::current().absoluteFilePath(path), &error);
    if (!file) {
        std::fprintf(stderr, "gatepoint: debug log %s not opened: %s\n", QFile::encodeName(path).constData(),
            error.toLocal8Bit().constData());
        return false;
    }
    QMutexLocker locker(&fileLock);
    const bool first = !logFile;
    logFile = std::move(file);
    if (first)
        previousHandler = qInstallMessageHandler(writeMessage);
    return true;
}

} // namespace DebugLog
