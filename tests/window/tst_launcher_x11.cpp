// The real program on a real X server: a medium laid out as on a token, a
// real pointer click through xdotool, and the program the button names
// starting. (A second start while one runs: tst_process.)
#include <QtTest>

#include <QProcess>
#include <QStandardPaths>

#include "testsupport.h"
#include "windowfixture.h"

namespace {

QString run(const QStringList &arguments)
{
    return TestSupport::runProgram(
        QStringLiteral("xdotool"), arguments, QProcessEnvironment::systemEnvironment(), 10000)
        .out.trimmed();
}

} // namespace

class TestLauncherX11 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server (the suite runs this under xvfb-run)");
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("needs xdotool");
    }

    void pointerClickStartsTheProgram()
    {
        // medium/bin/gatepoint beside medium/Commons/links, as on the token.
        LinksFolder scratch;
        const QString program = scratch.layOutMedium();
        QVERIFY(QFileInfo(program).isExecutable());
        scratch.signedBackground(QStringLiteral("bg.png"), 400, 200);
        scratch.write(QStringLiteral("launcher.conf"),
            "[app]\nbackground=bg.png\ntitle=gatepoint-x11-test\npadding-left=20\npadding-top=60\n"
            "[button]\nwidth=64\nheight=64\n");
        scratch.probeLink(QStringLiteral("probe.link"), 1, "[click]\nargs=clicked, with space\n");

        const QString probeOut = scratch.root.filePath(QStringLiteral("probe.jsonl"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GP_PROBE_OUT"), probeOut);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("HOME"), scratch.root.path());
        QProcess launcher;
        launcher.setProcessEnvironment(env);
        launcher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        launcher.start(program, QStringList());
        QVERIFY(launcher.waitForStarted());

        // xvfb-run may hand over a display that takes a moment to accept
        // clients; a launcher that could not connect is started again.
        int starts = 1;
        QString window;
        QVERIFY(QTest::qWaitFor(
            [&] {
                if (launcher.state() == QProcess::NotRunning && starts < 4) {
                    ++starts;
                    QTest::qWait(250);
                    launcher.start(program, QStringList());
                    launcher.waitForStarted();
                }
                window = run({ QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                 QStringLiteral("gatepoint-x11-test") })
                             .section(QLatin1Char('\n'), 0, 0);
                return !window.isEmpty();
            },
            20000));
        const QString geometry = run({ QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window });
        int x = 0;
        int y = 0;
        for (const QString &line : geometry.split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("X=")))
                x = line.mid(2).toInt();
            if (line.startsWith(QLatin1String("Y=")))
                y = line.mid(2).toInt();
        }
        // The middle of the only button: padding plus half its size. On a
        // loaded machine the layout may not have run at the first click, so
        // click again until the program starts (a few tries at most).
        QList<TestSupport::ProbeRecord> records;
        for (int attempt = 0; attempt < 6 && records.isEmpty(); ++attempt) {
            run({ QStringLiteral("mousemove"), QString::number(x + 20 + 32), QString::number(y + 60 + 32) });
            run({ QStringLiteral("click"), QStringLiteral("1") });
            records = TestSupport::waitForProbeRecords(probeOut, 1, 3000);
        }
        QVERIFY(!records.isEmpty());
        QCOMPARE(records.first().arguments, QStringList({ "clicked", "with space" }));

        launcher.terminate();
        if (!launcher.waitForFinished(5000))
            launcher.kill();
        launcher.waitForFinished(5000);
    }
};

QTEST_GUILESS_MAIN(TestLauncherX11)
#include "tst_launcher_x11.moc"
