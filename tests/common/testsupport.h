#pragma once

#include <QMap>
#include <QObject>
#include <QProcessEnvironment>
#include <QStringList>
#include <QUrl>

// Shared helpers for the test executables.
namespace TestSupport {

// Writes text to a file (creating parent folders); returns false on failure.
bool writeFile(const QString &path, const QByteArray &content);

// A PNG picture of one colour, as bytes.
QByteArray pngBytes(int width, int height, Qt::GlobalColor colour = Qt::darkCyan);

// Path of a helper program built with the tests (tests/helpers/<name>.cpp).
QString helperPath(const QString &name);

// The real launcher binary and the skin tool.
QString launcherPath();
QString skinToolPath();

// Call at the start of initTestCase: isolates QStandardPaths and clears
// a platform theme that would make file dialogs native.
void isolate();

// A program run to its end. code is -1 when it crashed or did not end in
// time (it is killed then).
struct Finished {
    int code = -1;
    QString out, err;
};
Finished runProgram(const QString &program, const QStringList &arguments,
    const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(), int timeoutMs = 120000,
    const QString &workingDir = QString());

// One start recorded by the probe helper (tests/helpers/gp_probe.cpp).
struct ProbeRecord {
    QString program;
    QStringList arguments;
    QList<QByteArray> rawArguments; // the bytes each argument had
    QString cwd;
    qint64 pid = 0;
    QMap<QString, QString> env; // only the variables the probe records
};

// Reads every record of a probe output file (one JSON line per start).
QList<ProbeRecord> readProbeRecords(const QString &path);

// Waits (processing events) until the probe output holds at least count
// records or the timeout passes; returns the records read.
QList<ProbeRecord> waitForProbeRecords(const QString &path, int count, int timeoutMs = 10000);

// Stands in for the desktop while it lives: records every URL of the given
// schemes that the program asks it to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    explicit UrlCatcher(const QStringList &schemes = { QStringLiteral("file") });
    ~UrlCatcher() override;
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }

private:
    QStringList schemes;
};

} // namespace TestSupport
