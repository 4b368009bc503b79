// The program as a process: exit codes, the single instance, a hand-over
// while an instance runs, and the translations it loads from the medium.
#include <QtTest>

#include <QProcess>

#include <signal.h>

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
