// The program as a process: exit codes, the single instance, a hand-over
// while an instance runs, and the translations it loads from the medium.
#include <QtTest>

#include <QProcess>

#include <signal.h>
#include <sys/stat.h>

#include "launchermedium.h"
#include "testsupport.h"

class TestProcess : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }

    void pinGateRefusesWithMinusOne()
    {
        Medium medium("pincheck=true\n");
        QCOMPARE(medium.run({ QStringLiteral("probe"), QStringLiteral("x") }), 255); // -1
        medium.env.insert(QStringLiteral("PIN_CHECK_DONE"), QStringLiteral("01"));
        QCOMPARE(medium.run({ QStringLiteral("probe"), QStringLiteral("x") }), 255);
        medium.env.insert(QStringLiteral("PIN_CHECK_DONE"), QStringLiteral("1"));
        QCOMPARE(medium.run({ QStringLiteral("probe"), QStringLiteral("x") }), 0);
        QCOMPARE(TestSupport::waitForProbeRecords(medium.probeOut, 1).size(), 1);
    }

    void singleInstanceAndHandOver()
    {
        Medium medium;
        auto first = medium.start({});
        QVERIFY(Medium::waitUntilRunning(*first));

        // A second interactive start is refused at once, silently with --hide.
        QCOMPARE(medium.run({ QStringLiteral("--hide") }), 1);

        // A hand-over goes through while the instance runs.
        const QString pidFile = medium.links.root.filePath(QStringLiteral("pid"));
        QCOMPARE(medium.run(
                     { QStringLiteral("probe"), QStringLiteral("a b"), QStringLiteral("processpidpath::") + pidFile }),
            0);
        const auto records = TestSupport::waitForProbeRecords(medium.probeOut, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().arguments, QStringList { QStringLiteral("a b") });
        QFile pid(pidFile);
        QVERIFY(pid.open(QIODevice::ReadOnly));
        QCOMPARE(pid.readAll().toLongLong(), records.first().pid);

        // A crashed instance leaves its socket behind; the next start takes
        // over instead of refusing.
        ::kill(pid_t(first->processId()), SIGKILL);
        first->waitForFinished();
        auto next = medium.start({});
        QVERIFY(Medium::waitUntilRunning(*next));
        QCOMPARE(next->state(), QProcess::Running);

        // A copy of the program in another folder is another installation.
        Medium other;
        auto elsewhere = other.start({});
        QVERIFY(Medium::waitUntilRunning(*elsewhere));
        elsewhere->terminate();
        elsewhere->waitForFinished();
        next->terminate();
        next->waitForFinished();
    }

    // Options of the toolkit after the button name are the user's files:
    // none of them reaches Qt (an unknown platform would end the program,
    // a style or -reverse would change the window), all reach the program.
    void toolkitOptionsAreHandedOver_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("delivered");
        const QStringList options { "-style", "windows", "-reverse", "-platform", "nosuchplatform", "-session", "s1",
            "--platform", "x", "-display", ":99", "-qwindowtitle", "t", "--help", "--version", "--debug-log", "d" };
        QTest::newRow("after the button") << QStringList { "probe" } + options << options;
        QTest::newRow("toolkit options before the button are the toolkit's")
            << QStringList { "-platform", "offscreen", "-reverse", "probe", "-reverse" } << QStringList { "-reverse" };
    }

    void toolkitOptionsAreHandedOver()
    {
        QFETCH(QStringList, arguments);
        Medium medium;
        QCOMPARE(medium.run(arguments), 0);
        const auto records = TestSupport::waitForProbeRecords(medium.probeOut, 1);
        QCOMPARE(records.size(), 1);
        QTEST(records.first().arguments, "delivered");
    }

    // --help and --version print and end with 0, without a display.
    void helpAndVersion_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("printed");
        QTest::newRow("help") << "--help"
                              << "--debug-log FILE";
        QTest::newRow("version") << "--version" << QStringLiteral("gatepoint " GATEPOINT_VERSION "\n");
    }

    void helpAndVersion()
    {
        QFETCH(QString, option);
        QFETCH(QString, printed);
        Medium medium;
        medium.env.remove(QStringLiteral("DISPLAY"));
        medium.env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        const TestSupport::Finished finished = TestSupport::runProgram(medium.program, { option }, medium.env, 30000);
        QCOMPARE(finished.code, 0);
        QVERIFY2(finished.out.contains(printed), qPrintable(finished.out));
        QVERIFY(TestSupport::readProbeRecords(medium.probeOut).isEmpty());
    }

    void debugLog_data()
    {
        QTest::addColumn<bool>("option");
        QTest::addColumn<bool>("variable");
        QTest::addColumn<bool>("fifo");
        QTest::newRow("option") << true << false << false;
        QTest::newRow("variable") << false << true << false;
        QTest::newRow("option wins") << true << true << false;
        QTest::newRow("a pipe is refused, not waited on") << true << false << true;
    }

    // The debug lines go to the file the user names, appended, each with
    // its time and category; the run goes on without it when the file
    // cannot be had.
    void debugLog()
    {
        QFETCH(bool, option);
        QFETCH(bool, variable);
        QFETCH(bool, fifo);
        Medium medium;
        const QString fromOption = medium.links.root.filePath(QStringLiteral("option.log"));
        const QString fromVariable = medium.links.root.filePath(QStringLiteral("variable.log"));
        if (fifo)
            QCOMPARE(::mkfifo(QFile::encodeName(fromOption).constData(), 0600), 0);
        QStringList arguments { QStringLiteral("probe"), QStringLiteral("a") };
        if (option)
            arguments = QStringList { QStringLiteral("--debug-log"), fromOption } + arguments;
        if (variable)
            medium.env.insert(QStringLiteral("GATEPOINT_DEBUG_LOG"), fromVariable);
        QCOMPARE(medium.run(arguments), 0);
        QCOMPARE(TestSupport::waitForProbeRecords(medium.probeOut, 1).size(), 1);
        const QString used = option ? fromOption : fromVariable;
        if (fifo) {
            QVERIFY(!QFileInfo(fromOption).isFile());
            return;
        }
        QVERIFY(!QFileInfo::exists(option ? fromVariable : fromOption));
        QFile log(used);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY2(text.contains(" debug gatepoint.window: init\n"), text.left(2000).constData());
        // Appended, not replaced.
        log.close();
        QCOMPARE(medium.run(arguments), 0);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll().count(" gatepoint.window: init\n"), 2);
    }

    void translationsFromTheMedium()
    {
        // lang.ini points at a second file whose language wins; the Qt
        // catalogue of that language comes from the resource folder.
        Medium medium;
        TestSupport::writeFile(
            medium.commons() + QStringLiteral("/lang.ini"), "[lang]\nlang=de_DE\nlangpath=sub/lang2.ini\n");
        TestSupport::writeFile(medium.commons() + QStringLiteral("/sub/lang2.ini"), "[lang]\nlang=it_IT\n");
        const QDir debian(QStringLiteral("/usr/share/qt5/translations"));
        for (const QString &name : debian.entryList({ QStringLiteral("qt*_it.qm") }))
            QFile::copy(debian.filePath(name), medium.commons() + QLatin1Char('/') + name);
        // A handed-over argument is the user's, delivered as given: no
        // placeholder in it is expanded.
        QCOMPARE(medium.run({ QStringLiteral("probe"), QStringLiteral("%lang%") }), 0);
        const auto records = TestSupport::waitForProbeRecords(medium.probeOut, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().arguments, QStringList { QStringLiteral("%lang%") });

        QTranslator qt;
        QVERIFY(qt.load(QStringLiteral("qt_it"), medium.commons()));
        QCOMPARE(qt.translate("QPlatformTheme", "Cancel"), QStringLiteral("Annulla"));
    }
};

QTEST_GUILESS_MAIN(TestProcess)
#include "tst_process.moc"
