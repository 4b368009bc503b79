#include "dropcommand.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

#include "commands/commandfactory.h"
#include "platform/logging.h"

namespace {

const QString massiveInput = QStringLiteral("--massive-input");
const QString rootDir = QStringLiteral("--rootdir");
const QString base64Marker = QStringLiteral("BASE64");

// A folder gives the plain files directly inside it (sub-folders are not
// entered), a file itself; bundles and whatever is neither are skipped.
QStringList filesOf(const QStringList &dropped)
{
    QStringList files;
    for (const QString &local : dropped) {
        if (local.isEmpty())
            continue;
        const QFileInfo info(local);
        if (info.isBundle())
            continue;
        if (info.isDir()) {
            const QFileInfoList entries = QDir(info.absoluteFilePath()).entryInfoList(QDir::Files, QDir::NoSort);
            for (const QFileInfo &entry : entries) {
                if (entry.isFile())
                    files.append(QDir::toNativeSeparators(entry.absoluteFilePath()));
            }
        } else if (info.isFile()) {
            files.append(QDir::toNativeSeparators(local));
        }
    }
    return files;
}

} // namespace

int DropCommand::commandTypeFor(int dropType)
{
    // Type 11 hands its paths over in base64 to a program that RUN starts.
    return dropType == CommandType::WinRunBase64 ? int(CommandType::Run) : dropType;
}

ICommand *DropCommand::execute()
{
    const QStringList dropped = parameters.value(droppedKey).toStringList();
    const bool massive = parameters.value(massiveKey).toBool();
    const int dropType = parameters.value(dropTypeKey).toInt();
    QStringList arguments = parameters.value(Param::arguments).toStringList();

    QStringList files;
    const QFileInfo single(dropped.size() == 1 ? dropped.first() : QString());
    if (massive && !single.filePath().isEmpty() && single.isDir()) {
        files.append(QDir::toNativeSeparators(single.absoluteFilePath()));
        arguments.append(rootDir);
    } else {
        files = filesOf(dropped);
        // The marker alone would tell the tool it was given files when it
        // was given none.
        if (files.isEmpty()) {
            qCDebug(lcCommands) << "DropCommand: nothing to hand over in" << dropped;
            return nullptr;
        }
        if (massive)
            files.prepend(massiveInput);
    }

    const int type = commandTypeFor(dropType);
    if (dropType == CommandType::WinRunBase64) {
        for (const QString &file : qAsConst(files))
            arguments.append(base64Marker + QString::fromLatin1(file.toUtf8().toBase64()));
    } else {
        arguments.append(files);
    }

    ICommand *next = CommandFactory::create(type);
    if (!next) {
        qCDebug(lcCommands) << "Unknown command" << type;
        return nullptr;
    }
    next->parameters = parameters;
    next->parameters.remove(droppedKey);
    next->parameters.remove(massiveKey);
    next->parameters.remove(dropTypeKey);
    next->parameters.insert(Param::arguments, arguments);
    return next;
}
