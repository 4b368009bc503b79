// The real program on a real X server, on a medium laid out as on a token:
// a real pointer click through xdotool starts the program the button names,
// and the sign shortcut opens the file question, into which a name with a
// quote is typed that the sign tool then receives unaltered. (A second start
// while one runs: tst_process.)
#include <QtTest>

#include <QProcess>
#include <QStandardPaths>

#include "testsupport.h"
#include "windowfixture.h"

namespace {

QString xdotool(const QStringList &arguments)
{
    return TestSupport::runProgram(
        QStringLiteral("xdotool"), arguments, QProcessEnvironment::systemEnvironment(), 10000)
        .out.trimmed();
}

QString visibleWindow(const QString &name)
{
    return xdotool({ QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), name })
        .section(QLatin1Char('\n'), 0, 0);
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

    void clickAndSignReachThePrograms()
    {
        LinksFolder scratch;
        const QString program = scratch.layOutMedium();
        scratch.signedBackground(QStringLiteral("bg.png"), 400, 200);
        scratch.write(QStringLiteral("launcher.conf"),
            "[app]\nbackground=bg.png\ntitle=gatepoint-x11-test\npadding-left=20\npadding-top=60\n"
            "[button]\nwidth=64\nheight=64\nmargin-right=10\n");
        scratch.probeLink(QStringLiteral("probe.link"), 2, "[click]\nargs=clicked, with space\n");
        scratch.probeLink(QStringLiteral("sign.link"), 1);
        const QString document = scratch.root.filePath(QStringLiteral("l'anno 2024.pdf"));
        QVERIFY(TestSupport::writeFile(document, "%PDF-1.4\n"));

        const QString probeOut = scratch.probeOut();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GP_PROBE_OUT"), probeOut);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("QT_QPA_PLATFORMTHEME"), QString());
        env.insert(QStringLiteral("HOME"), scratch.root.path());
        QProcess launcher;
        launcher.setProcessEnvironment(env);
        launcher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        auto stop = qScopeGuard([&] {
            launcher.terminate();
            if (!launcher.waitForFinished(5000))
                launcher.kill();
            launcher.waitForFinished(5000);
        });
        // xvfb-run may hand over a display that takes a moment to accept
        // clients; a launcher that could not connect is started again.
        int starts = 0;
        QString window;
        QVERIFY(QTest::qWaitFor(
            [&] {
                if (launcher.state() == QProcess::NotRunning && starts < 4) {
                    ++starts;
                    launcher.start(program, QStringList());
                    launcher.waitForStarted();
                }
                window = visibleWindow(QStringLiteral("gatepoint-x11-test"));
                return !window.isEmpty();
            },
            20000));
        int x = 0;
        int y = 0;
        for (const QString &line : xdotool({ QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window })
                                       .split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("X=")))
                x = line.mid(2).toInt();
            if (line.startsWith(QLatin1String("Y=")))
                y = line.mid(2).toInt();
        }
        // The middle of the first button: padding plus half its size. On a
        // loaded machine the layout may not have run at the first click, so
        // click again until the program starts (a few tries at most).
        QList<TestSupport::ProbeRecord> records;
        for (int attempt = 0; attempt < 6 && records.isEmpty(); ++attempt) {
            xdotool({ QStringLiteral("mousemove"), QString::number(x + 20 + 32), QString::number(y + 60 + 32) });
            xdotool({ QStringLiteral("click"), QStringLiteral("1") });
            records = TestSupport::waitForProbeRecords(probeOut, 1, 3000);
        }
        QVERIFY(!records.isEmpty());
        QCOMPARE(records.first().arguments, QStringList({ "clicked", "with space" }));

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
        records = TestSupport::waitForProbeRecords(probeOut, records.size() + 1, 15000);
        QCOMPARE(records.last().arguments, QStringList { document });
    }
};

QTEST_GUILESS_MAIN(TestLauncherX11)
#include "tst_launcher_x11.moc"
