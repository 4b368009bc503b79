#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

// One action of a launch button: created for one click, drop or document
// action, filled through its parameter map, executed once and deleted by the
// caller. A command that starts a program returns a RUN command as its
// follow-up, so the start of a program is written once.
class ICommand : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ICommand)

public:
    explicit ICommand(QObject *parent = nullptr)
        : QObject(parent)
    {
    }
    ~ICommand() override = default;

    // Carries out the command; returns the follow-up command (owned by the
    // caller from then on) or null.
    virtual ICommand *execute() = 0;

    QMap<QString, QVariant> parameters;

signals:
    void reload(QString linksFolder);
    void done();
    void update();
    void startProcessAndWait(QString program, QStringList arguments, QString workingDir);
};
