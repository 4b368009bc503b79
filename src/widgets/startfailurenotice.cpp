#include "startfailurenotice.h"

#include <QFileInfo>

#include "commands/startnotices.h"

namespace {

// Long enough to read two lines, short enough not to hide the buttons for
// good.
constexpr int shownMs = 6000;
constexpr int edge = 6;

} // namespace

StartFailureNotice::StartFailureNotice(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("startFailureNotice"));
    setWordWrap(true);
    setAlignment(Qt::AlignCenter);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setStyleSheet(QStringLiteral("QLabel { background: rgba(40, 40, 40, 220); color: white; padding: 6px; "
                                 "border-radius: 4px; }"));
    hide();
    hideTimer.setSingleShot(true);
    connect(&hideTimer, &QTimer::timeout, this, &QWidget::hide);
    connect(StartNotices::instance(), &StartNotices::startFailed, this, &StartFailureNotice::showFailure,
        Qt::QueuedConnection);
}

QString StartFailureNotice::message(const QString &program, int reason, const QString &detail)
{
    const QString name = program.isEmpty() ? tr("(nessun programma)") : QFileInfo(program).fileName();
    QString why;
    switch (reason) {
    case StartNotices::Missing:
        why = tr("il programma non esiste");
        break;
    case StartNotices::NotProgram:
        why = tr("il file non è un programma eseguibile");
        break;
    case StartNotices::DriveMissing:
        why = tr("l'unità del token non è disponibile");
        break;
    case StartNotices::CopyReplaced:
        why = tr("la copia temporanea è stata sostituita");
        break;
    case StartNotices::NoSafeFolder:
        why = tr("nessuna cartella temporanea sicura");
        break;
    default:
        why = detail.isEmpty() ? tr("errore di sistema") : detail;
        break;
    }
    return tr("Impossibile avviare %1: %2").arg(name, why);
}

void StartFailureNotice::showFailure(const QString &program, int reason, const QString &detail)
{
    const QString text = message(program, reason, detail);
    if (trayIcon && trayIcon->isVisible() && QSystemTrayIcon::supportsMessages())
        trayIcon->showMessage(tr("Avvio"), text, QSystemTrayIcon::Warning, shownMs);
    QWidget *window = parentWidget();
    if (!window)
        return;
    setText(text);
    const int width = qMax(120, window->width() - 2 * edge);
    setFixedWidth(width);
    adjustSize();
    move(edge, qMax(0, window->height() - height() - edge));
    raise();
    show();
    hideTimer.start(shownMs);
}
