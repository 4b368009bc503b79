#pragma once

#include <QLabel>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

// Tells the user that a program did not start, without stopping anything:
// a small label over the bottom of its parent window that goes away by
// itself, and the tray's message when a tray icon is given and shown.
class StartFailureNotice final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StartFailureNotice)

public:
    // Listens to StartNotices from construction on.
    explicit StartFailureNotice(QWidget *parent);

    void setTrayIcon(QSystemTrayIcon *tray) { trayIcon = tray; }

    // The text shown for a report, translated.
    static QString message(const QString &program, int reason, const QString &detail);

public slots:
    void showFailure(const QString &program, int reason, const QString &detail);

private:
    QTimer hideTimer;
    QPointer<QSystemTrayIcon> trayIcon;
};
