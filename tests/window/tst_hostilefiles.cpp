// Special files where the launcher expects plain ones: a named pipe nobody
// writes to would block an ordinary open for ever, a planted link would
// redirect a write. The real program meets each, ends within a bound and
// hands the file over; nothing outside its own files is touched.
#include <QtTest>

#include <sys/stat.h>

#include "testsupport.h"
#include "windowfixture.h"

namespace {

struct Medium {
    Medium()
    {
        program = links.layOutMedium();
        links.skin();
        links.picture(QStringLiteral("good.png"), 40, 40);
        links.write(QStringLiteral("good.link"),
            "[properties]\nicon=good.png\n[click]\npath=" + TestSupport::helperPath(QStringLiteral("gp_probe")).toUtf8()
                + "\n");
    }

    // The bound: a start here takes well under a second.
    TestSupport::Finished handOver(const QStringList &arguments)
    {
        return links.runLauncher(QStringList { QStringLiteral("good") } + arguments, 60000);
    }
    QList<TestSupport::ProbeRecord> records() const { return TestSupport::waitForProbeRecords(links.probeOut(), 1); }

    LinksFolder links;
    QString program;
};

bool fifo(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

bool isFifo(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

} // namespace

class TestHostileFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }

    void pipesAreNotOpened_data()
    {
        QTest::addColumn<QString>("where"); // below the medium's Commons/links, or "bin/", or "home/"
        QTest::addColumn<QByteArray>("link");
        QTest::newRow("font") << "fonts/a.ttf" << QByteArray();
        QTest::newRow("links.conf beside the program") << "bin/links.conf" << QByteArray();
        QTest::newRow("links.conf in the home folder") << "home/gatepoint/links.conf" << QByteArray();
        QTest::newRow("window icon") << "icon.png" << QByteArray();
        QTest::newRow("button and hover pictures")
            << "pipe.png" << QByteArray("[properties]\nicon=pipe.png\n[click]\npath=x\n");
        QTest::newRow("check button state")
            << "state.ini"
            << QByteArray("[properties]\nicon=good.png\npressedicon=good.png\npressedfilepath=state.ini\n"
                          "pressedsection=a/b\n[click]\ntype=CHECKBUTTON\npath=x\n");
    }
    void pipesAreNotOpened()
    {
        QFETCH(QString, where);
        QFETCH(QByteArray, link);
        Medium medium;
        QString path = medium.links.path(where);
        if (where.startsWith(QLatin1String("bin/")))
            path = QFileInfo(medium.program).absolutePath() + where.mid(3);
        if (where.startsWith(QLatin1String("home/")))
            path = medium.links.root.filePath(where.mid(5));
        QVERIFY(fifo(path));
        if (!link.isEmpty())
            medium.links.write(QStringLiteral("other.link"), link);
        if (where == QLatin1String("pipe.png"))
            medium.links.write(
                QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n[button-hover]\nimage=pipe.png\n");

        QCOMPARE(medium.handOver({ QStringLiteral("a b.pdf") }).code, 0);
        const auto records = medium.records();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().arguments, QStringList { "a b.pdf" });
        QVERIFY(isFifo(path));
    }

    // The process-id file is replaced, never written through what stands
    // at its path.
    void processIdFileFollowsNoLink_data()
    {
        QTest::addColumn<QString>("planted"); // "link", "pipe", "file" or "" (nothing there)
        QTest::addColumn<bool>("written");
        QTest::newRow("link to another file") << "link" << false;
        QTest::newRow("pipe") << "pipe" << false;
        QTest::newRow("older id file") << "file" << true;
        QTest::newRow("nothing there") << "" << true;
    }
    void processIdFileFollowsNoLink()
    {
        QFETCH(QString, planted);
        QFETCH(bool, written);
        Medium medium;
        const QString pidPath = medium.links.root.filePath(QStringLiteral("tool.pid"));
        const QString victim = medium.links.root.filePath(QStringLiteral("victim.txt"));
        QVERIFY(TestSupport::writeFile(victim, "precious"));
        if (planted == QLatin1String("link"))
            QVERIFY(QFile::link(victim, pidPath));
        if (planted == QLatin1String("pipe"))
            QVERIFY(fifo(pidPath));
        if (planted == QLatin1String("file"))
            QVERIFY(TestSupport::writeFile(pidPath, "99999999"));

        const TestSupport::Finished run
            = medium.handOver({ QStringLiteral("doc.pdf"), QStringLiteral("processpidpath::") + pidPath });
        QCOMPARE(run.code, 0);
        const auto records = medium.records();
        QCOMPARE(records.size(), 1);
        QFile target(victim);
        QVERIFY(target.open(QIODevice::ReadOnly));
        QCOMPARE(target.readAll(), QByteArray("precious"));
        if (!written) {
            QVERIFY(run.out.contains(QStringLiteral("process-id file not written")));
            QCOMPARE(QFileInfo(pidPath).isSymLink(), planted == QLatin1String("link"));
            QCOMPARE(isFifo(pidPath), planted == QLatin1String("pipe"));
            return;
        }
        QFile pid(pidPath);
        QVERIFY(pid.open(QIODevice::ReadOnly));
        QCOMPARE(pid.readAll().toLongLong(), records.first().pid);
        // No temporary name is left beside it.
        QCOMPARE(QDir(medium.links.root.path()).entryList({ QStringLiteral(".tool.pid*") }, QDir::Hidden | QDir::Files),
            QStringList());
    }
};

QTEST_MAIN(TestHostileFiles)
#include "tst_hostilefiles.moc"
