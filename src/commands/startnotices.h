#pragma once

#include <QObject>
#include <QString>

// Where a start that did not happen is reported, so that the window can
// tell the user without the commands knowing about any window. Reports may
// come from any thread; receivers get them through queued connections.
class StartNotices final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StartNotices)

public:
    enum Reason {
        Missing, // no such program or file
        NotProgram, // the file is not one that can be run
        DriveMissing, // the token partition the path names is not there
        CopyReplaced, // the temporary copy was not the file written
        NoSafeFolder, // no private folder for a temporary copy
        SystemError, // the system refused; the detail says why
    };
    Q_ENUM(Reason)

    static StartNotices *instance();

    // Writes the debug line and emits startFailed.
    static void report(const QString &program, Reason reason, const QString &detail = QString());

signals:
    void startFailed(const QString &program, int reason, const QString &detail);

private:
    StartNotices() = default;
};
