// The sign action of the real program on a real X server: the shortcut opens
// the file question, a name with a quote is typed into it, and the sign
// tool receives that very name.
#include <QtTest>

#include <QProcess>
#include <QStandardPaths>

#include "testsupport.h"
#include "windowfixture.h"

namespace {

QString xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

QString visibleWindow(const QString &name)
{
    return xdotool({ QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), name })
        .section(QLatin1Char('\n'), 0, 0);
}

} // namespace

class TestDocumentActionX11 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server (the suite runs this under xvfb-run)");
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("needs xdotool");
    }

    void signHandsTheChosenNameOverUnaltered()
    {
        LinksFolder scratch;
        const QString program = scratch.layOutMedium();
        scratch.signedBackground(QStringLiteral("bg.png"), 300, 150);
        scratch.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\ntitle=gatepoint-sign-test\n");
        scratch.probeLink(QStringLiteral("sign.link"), 1);
        const QString document = scratch.root.filePath(QStringLiteral("l'anno 2024.pdf"));
        QVERIFY(TestSupport::writeFile(document, "%PDF-1.4\n"));

        const QString probeOut = scratch.root.filePath(QStringLiteral("probe.jsonl"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GP_PROBE_OUT"), probeOut);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("QT_QPA_PLATFORMTHEME"), QString());
        env.insert(QStringLiteral("HOME"), scratch.root.path());
        QProcess launcher;
        launcher.setProcessEnvironment(env);
        launcher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        launcher.start(program, QStringList());
        QVERIFY(launcher.waitForStarted());

        int starts = 1;
        QString window;
        QVERIFY(QTest::qWaitFor(
            [&] {
                if (launcher.state() == QProcess::NotRunning && starts < 4) {
                    ++starts;
                    launcher.start(program, QStringList());
                    launcher.waitForStarted();
                }
                window = visibleWindow(QStringLiteral("gatepoint-sign-test"));
                return !window.isEmpty();
            },
            20000));

        // No window manager runs here: focus is given by hand.
        QString dialog;
        for (int attempt = 0; attempt < 5 && dialog.isEmpty(); ++attempt) {
            xdotool({ QStringLiteral("windowfocus"), QStringLiteral("--sync"), window });
            xdotool({ QStringLiteral("key"), QStringLiteral("ctrl+f") });
            (void)QTest::qWaitFor([&] { return !(dialog = visibleWindow(QStringLiteral("^Apri$"))).isEmpty(); }, 3000);
        }
        QVERIFY2(!dialog.isEmpty(), "the file question did not open");
        xdotool({ QStringLiteral("windowfocus"), QStringLiteral("--sync"), dialog });
        xdotool({ QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), document });
        xdotool({ QStringLiteral("key"), QStringLiteral("Return") });

        const auto records = TestSupport::waitForProbeRecords(probeOut, 1, 15000);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().arguments, QStringList { document });

        launcher.terminate();
        if (!launcher.waitForFinished(5000))
            launcher.kill();
        launcher.waitForFinished(5000);
    }
};

QTEST_GUILESS_MAIN(TestDocumentActionX11)
#include "tst_documentaction_x11.moc"
