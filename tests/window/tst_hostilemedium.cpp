// The real program on a medium that somebody meant harm with, or that is
// simply broken: huge link files, absurd numbers, corrupt pictures, a
// fonts folder that loops, shell-looking names, ten thousand links (link
// files of random bytes: fuzz_linkfile); and special files where plain ones belong: a named pipe nobody
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

// A medium with a skin and a button "good" that starts the probe. A
// hand-over run builds the whole window, hands the files to the named
// button and exits, so its records show that start-up went through.
struct Medium {
    Medium()
    {
        links.layOutMedium();
        links.skin();
        links.picture("good.png", 40, 40);
        links.write("good.link",
            "[properties]\nicon=good.png\n[click]\npath=" + TestSupport::helperPath("gp_probe").toUtf8() + "\n");
    }

    // The program's exit code once it has handed the arguments over; -2 when
    // the good button did not start once with them (a process-id path the
    // launcher keeps for itself).
    int handOver(const QStringList &arguments, const QStringList &wrapper = {})
    {
        const TestSupport::Finished run = links.runLauncher(QStringList { "good" } + arguments, boundMs, wrapper);
        output = run.out;
        const auto records = TestSupport::waitForProbeRecords(links.probeOut(), 1);
        if (records.size() != 1
            || records.first().arguments != arguments.filter(QRegularExpression("^(?!processpidpath::)")))
            return -2;
        return run.code;
    }

    LinksFolder links;
    QString output; // both channels of the last run
    int boundMs = 60000; // a start here takes well under a second
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

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray randomBytes(int size)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

} // namespace

class TestHostileMedium : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }

    // Everything broken at once, special files where plain ones belong
    // among it; the special files are left as they were.
    void brokenEverythingButOneGoodButton()
    {
        Medium medium;
        LinksFolder &links = medium.links;
        links.write("launcher.conf",
            "[app]\nbackground=bg.png\npadding-left=99999999999999999999\nlayout=\xff\xfe\n"
            "autorun=missing-program\n"
            "[button]\nwidth=-5\nheight=abc\nshiftduration=99999999999\nblurcolor=1/2\n"
            "[button-hover]\nimage=nothere.png\n[exit]\nimage=../../../../etc/passwd\n");
        // Tens of megabytes: read as an empty file, not parsed.
        links.write(
            "huge.link", ("[properties]\nicon=good.png\ntitle=" + QByteArray(1024, 'A') + "\n").repeated(30 * 1024));
        links.write("utf8.link",
            "[properties]\nicon=good.png\ntitle=\xc3\x28\xa0\xa1\npriority=99999999999999999999\n"
            "titlepixelsize=-99999\nradius=1e308\nblurdistance=nan\nwidth=2147483648\n");
        links.write("truncated.png", QByteArray("\x89PNG\r\n\x1a\n\x00\x00", 10));
        links.write("corrupt.link", "[properties]\nicon=truncated.png\nwidth=40\nheight=40\n");
        links.write("a'b\"$(touch pwned);c.link", "[properties]\nicon=good.png\n[click]\npath=$(touch pwned)\n");
        links.write("loop.link/_.link", "[properties]\nicon=../good.png\n[ondrop]\nsubmenu=..\n");
        links.write("loop.link/entry.link", "[properties]\nicon=../good.png\n[ondrop]\nsubmenu=.\n");
        links.write("fonts/broken.ttf", randomBytes(4096));
        QDir().mkpath(links.path("fonts/deeper"));
        QFile::link(links.path("fonts"), links.path("fonts/deeper/loop"));
        QFile::link(links.path("nowhere"), links.path("dangling.link"));
        // Pipes nobody writes to, one for each kind of reader: fonts,
        // pictures, and INI files (a check button's state; links.conf goes
        // the same way). (The pictures' own reader: tst_imagefiles.)
        const QStringList pipes { links.path("fonts/a.ttf"), links.path("icon.png"), links.path("state.ini") };
        for (const QString &pipe : pipes)
            QVERIFY(fifo(pipe));
        links.write("check.link",
            "[properties]\nicon=good.png\npressedicon=good.png\npressedfilepath=state.ini\npressedsection=a/b\n"
            "[click]\ntype=CHECKBUTTON\npath=x\n");
        // The process-id file is replaced, never written through a link (nor
        // a pipe, which the same check refuses) planted at its path. (Over
        // an older id: tst_runcommand.)
        const QString pidPath = links.root.filePath("tool.pid");
        const QString victim = links.root.filePath("victim.txt");
        QVERIFY(TestSupport::writeFile(victim, "precious"));
        QVERIFY(QFile::link(victim, pidPath));

        QCOMPARE(medium.handOver({ "file one.txt", ";ls", "processpidpath::" + pidPath }), 0);
        for (const QString &pipe : pipes)
            QVERIFY2(isFifo(pipe), qPrintable(pipe));
        QCOMPARE(contents(victim), QByteArray("precious"));
        QVERIFY(QFileInfo(pidPath).isSymLink());
        QVERIFY(medium.output.contains("UNABLE TO LOAD IMAGE"));
        QVERIFY(medium.output.contains("loading font"));
        // Nothing was ever handed to a shell.
        QVERIFY(!QFileInfo::exists(links.root.filePath("pwned")));
        QVERIFY(!QFileInfo::exists(links.path("pwned")));
    }

    // Ten thousand links, a thousand of which open their own folder as their
    // drop menu, whose entries do the same: the start reads each file once,
    // and its peak memory stays flat (whole trees, and every sub-menu's hold
    // on every other button, took gigabytes).
    void tenThousandLinks()
    {
        const QString time = QStringLiteral("/usr/bin/time");
        if (!QFileInfo(time).isExecutable())
            QSKIP("needs /usr/bin/time (Debian package time)");
        Medium medium;
        medium.boundMs = 240000;
        LinksFolder &links = medium.links;
        links.write("launcher.conf", "[app]\nbackground=bg.png\n[button]\nwidth=40\nheight=40\n");
#if defined(__SANITIZE_ADDRESS__)
        const int count = 2000; // the sanitizers make every link ten times slower
#else
        const int count = 10000;
#endif
        for (int i = 0; i < count; ++i)
            links.write(QStringLiteral("many%1.link").arg(i),
                i < 1000 ? "[properties]\nicon=good.png\n[ondrop]\nsubmenu=.\n"
                         : "[properties]\nicon=good.png\ntitle=Many\n[click]\npath=/nonexistent\n");
        QCOMPARE(medium.handOver({ "x" }, { time, "-v" }), 0);
        const QRegularExpressionMatch peak
            = QRegularExpression("Maximum resident set size \\(kbytes\\): (\\d+)").match(medium.output);
        QVERIFY(peak.hasMatch());
        QVERIFY2(peak.captured(1).toLongLong() < 250 * 1024, qPrintable(peak.captured(0)));
    }
};

QTEST_GUILESS_MAIN(TestHostileMedium)
#include "tst_hostilemedium.moc"
