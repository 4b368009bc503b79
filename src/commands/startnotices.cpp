#include "startnotices.h"

#include <QCoreApplication>
#include <QDebug>

#include "platform/logging.h"

StartNotices *StartNotices::instance()
{
    // Made on first use and never destroyed: reports may arrive from the
    // autorun thread while the application ends.
    static StartNotices *notices = [] {
        auto *object = new StartNotices;
        if (QCoreApplication::instance())
            object->moveToThread(QCoreApplication::instance()->thread());
        return object;
    }();
    return notices;
}

void StartNotices::report(const QString &program, Reason reason, const QString &detail)
{
    qCDebug(lcCommands) << "Start failed:" << program << reason << detail;
    emit instance()->startFailed(program, int(reason), detail);
}
