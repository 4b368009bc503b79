// The real program on a medium that somebody meant harm with, or that is
// simply broken: garbage and huge link files, absurd numbers, corrupt
// pictures, a fonts folder that loops, shell-looking names, ten thousand
// links; and special files where plain ones belong: a named pipe nobody
// writes to would block an ordinary open for ever, a planted link would
// redirect a write. The launcher starts within a bound, skips what is broken
// and the good button still works; nothing reaches a shell, nothing outside
// its own files is touched.
#include <QtTest>

#include <QRandomGenerator>

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

QByteArray randomBytes(int size)
{
    QByteArray bytes(size, '\0');
    auto *generator = QRandomGenerator::global();
    for (int i = 0; i < size; ++i)
        bytes[i] = char(generator->bounded(256));
    return bytes;
}

} // namespace

class TestHostileMedium : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }

    void brokenEverythingButOneGoodButton()
    {
        Medium medium;
        LinksFolder &links = medium.links;
        links.picture(QStringLiteral("icon.png"), 40, 40);
        links.write(QStringLiteral("launcher.conf"),
            "[app]\nbackground=bg.png\npadding-left=99999999999999999999\nlayout=\xff\xfe\n"
            "autorun=missing-program\n"
            "[button]\nwidth=-5\nheight=abc\nshiftduration=99999999999\nblurcolor=1/2\n"
            "[button-hover]\nimage=nothere.png\n[exit]\nimage=../../../../etc/passwd\n");
        links.write(QStringLiteral("garbage.link"), randomBytes(64 * 1024));
        // Tens of megabytes: read as an empty file, not parsed.
        {
            QFile huge(links.path(QStringLiteral("huge.link")));
            QVERIFY(huge.open(QIODevice::WriteOnly));
            const QByteArray line = "[properties]\nicon=icon.png\ntitle=" + QByteArray(1024, 'A') + "\n";
            for (int i = 0; i < 30 * 1024; ++i)
                huge.write(line);
        }
        links.write(QStringLiteral("utf8.link"),
            "[properties]\nicon=icon.png\ntitle=\xc3\x28\xa0\xa1\npriority=99999999999999999999\n"
            "titlepixelsize=-99999\nradius=1e308\nblurdistance=nan\nwidth=2147483648\n");
        links.write(QStringLiteral("dup.link"),
            "[properties]\nicon=icon.png\n[properties]\nicon=icon.png\n[PROPERTIES]\nIcon=x\n");
        links.write(QStringLiteral("truncated.png"), QByteArray("\x89PNG\r\n\x1a\n\x00\x00", 10));
        links.write(QStringLiteral("corrupt.link"), "[properties]\nicon=truncated.png\nwidth=40\nheight=40\n");
        links.write(QStringLiteral("a'b\"$(touch pwned);c.link"),
            "[properties]\nicon=icon.png\n[click]\npath=$(touch pwned)\n");
        links.write(QStringLiteral("loop.link/_.link"), "[properties]\nicon=../icon.png\n[ondrop]\nsubmenu=..\n");
        links.write(QStringLiteral("loop.link/entry.link"), "[properties]\nicon=../icon.png\n[ondrop]\nsubmenu=.\n");
        links.write(QStringLiteral("fonts/broken.ttf"), randomBytes(4096));
        QDir().mkpath(links.path(QStringLiteral("fonts/deeper")));
        QFile::link(links.path(QStringLiteral("fonts")), links.path(QStringLiteral("fonts/deeper/loop")));
        QFile::link(links.path(QStringLiteral("nowhere")), links.path(QStringLiteral("dangling.link")));

        // A hand-over run builds the whole window, hands the files to the
        // named button and exits, so it shows that start-up went through.
        const TestSupport::Finished run = medium.handOver({ QStringLiteral("file one.txt"), QStringLiteral(";ls") });
        const QString &output = run.out;
        QCOMPARE(run.code, 0);
        const auto records = medium.records();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().arguments, QStringList({ "file one.txt", ";ls" }));
        QVERIFY(output.contains(QStringLiteral("UNABLE TO LOAD IMAGE")));
        QVERIFY(output.contains(QStringLiteral("loading font")));
        // Nothing was ever handed to a shell.
        QVERIFY(!QFileInfo::exists(links.root.filePath(QStringLiteral("pwned"))));
        QVERIFY(!QFileInfo::exists(links.path(QStringLiteral("pwned"))));
    }

    void thousandDropMenusNamingTheirOwnFolder()
    {
        // Every link opens its own folder as its drop menu, whose entries do
        // the same: the start reads each file once, and its peak memory
        // stays flat (whole trees took gigabytes).
        const QString time = QStringLiteral("/usr/bin/time");
        if (!QFileInfo(time).isExecutable())
            QSKIP("needs /usr/bin/time (Debian package time)");
        Medium medium;
        LinksFolder &links = medium.links;
        links.picture(QStringLiteral("icon.png"), 40, 40);
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n[button]\nwidth=40\nheight=40\n");
        for (int i = 0; i < 1000; ++i)
            links.write(QStringLiteral("self%1.link").arg(i), "[properties]\nicon=icon.png\n[ondrop]\nsubmenu=.\n");

        const TestSupport::Finished run = links.runLauncher(
            { QStringLiteral("good"), QStringLiteral("x") }, 120000, { time, QStringLiteral("-v") });
        QCOMPARE(run.code, 0);
        QCOMPARE(medium.records().size(), 1);
        const QString &output = run.out;
        const QRegularExpression peak(QStringLiteral("Maximum resident set size \\(kbytes\\): (\\d+)"));
        const QRegularExpressionMatch match = peak.match(output);
        QVERIFY(match.hasMatch());
        QVERIFY(match.captured(1).toLongLong() < 250 * 1024);
    }

    void tenThousandLinks()
    {
        Medium medium;
        LinksFolder &links = medium.links;
        links.picture(QStringLiteral("icon.png"), 40, 40);
        const QByteArray body = "[properties]\nicon=icon.png\ntitle=Many\n[click]\npath=/nonexistent\n";
#if defined(__SANITIZE_ADDRESS__)
        const int count = 2000; // the sanitizers make every link ten times slower
#else
        const int count = 10000;
#endif
        for (int i = 0; i < count; ++i)
            links.write(QStringLiteral("many%1.link").arg(i), body);

        QCOMPARE(links.runLauncher({ QStringLiteral("good"), QStringLiteral("x") }, 240000).code, 0);
        QCOMPARE(medium.records().size(), 1);
    }

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
        QTest::addColumn<QString>("planted"); // "link", "pipe" or "file"
        QTest::addColumn<bool>("written");
        QTest::newRow("link to another file") << "link" << false;
        QTest::newRow("pipe") << "pipe" << false;
        QTest::newRow("older id file") << "file" << true;
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

QTEST_GUILESS_MAIN(TestHostileMedium)
#include "tst_hostilemedium.moc"
