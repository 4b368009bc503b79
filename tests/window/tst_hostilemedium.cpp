// The real program on a medium that somebody meant harm with, or that is
// simply broken: garbage and huge link files, absurd numbers, corrupt
// pictures, a fonts folder that loops, shell-looking names, ten thousand
// links. The launcher starts, skips what is broken and the good button still
// works; nothing reaches a shell.
#include <QtTest>

#include <QRandomGenerator>

#include "testsupport.h"
#include "windowfixture.h"

namespace {

struct Medium {
    LinksFolder links;
    QString program;
    QString probeOut;

    Medium()
    {
        program = links.layOutMedium();
        links.signedBackground();
        probeOut = links.root.filePath(QStringLiteral("probe.jsonl"));
    }

    // A hand-over run builds the whole window, hands the files to the named
    // button and exits, so it shows that start-up went through.
    // A wrapper (such as /usr/bin/time) starts the program when given.
    int handOver(const QStringList &arguments, int timeoutMs, QString *output = nullptr,
        const QString &wrapper = QString(), const QStringList &wrapperArguments = QStringList())
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GP_PROBE_OUT"), probeOut);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), links.root.path());
        env.insert(QStringLiteral("TMPDIR"), links.root.path());
        const QString started = wrapper.isEmpty() ? program : wrapper;
        const QStringList given
            = wrapper.isEmpty() ? arguments : wrapperArguments + QStringList { program } + arguments;
        const auto run = TestSupport::runProgram(started, given, env, timeoutMs, links.root.path());
        if (output)
            *output = run.out + run.err;
        return run.code;
    }
};

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
        links.write(QStringLiteral("launcher.conf"),
            "[app]\nbackground=bg.png\npadding-left=99999999999999999999\nlayout=\xff\xfe\n"
            "autorun=missing-program\n"
            "[button]\nwidth=-5\nheight=abc\nshiftduration=99999999999\nblurcolor=1/2\n"
            "[button-hover]\nimage=nothere.png\n[exit]\nimage=../../../../etc/passwd\n");
        links.probeLink(QStringLiteral("good.link"), 1);
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

        QString output;
        const int code = medium.handOver(
            { QStringLiteral("good"), QStringLiteral("file one.txt"), QStringLiteral(";ls") }, 120000, &output);
        QCOMPARE(code, 0);
        const auto records = TestSupport::waitForProbeRecords(medium.probeOut, 1);
        if (records.size() != 1)
            qInfo().noquote() << output.right(4000);
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
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n[button]\nwidth=40\nheight=40\n");
        links.probeLink(QStringLiteral("good.link"), 1);
        for (int i = 0; i < 1000; ++i)
            links.write(QStringLiteral("self%1.link").arg(i), "[properties]\nicon=icon.png\n[ondrop]\nsubmenu=.\n");

        QString output;
        const int code = medium.handOver(
            { QStringLiteral("good"), QStringLiteral("x") }, 120000, &output, time, { QStringLiteral("-v") });
        QCOMPARE(code, 0);
        QCOMPARE(TestSupport::waitForProbeRecords(medium.probeOut, 1).size(), 1);
        const QRegularExpression peak(QStringLiteral("Maximum resident set size \\(kbytes\\): (\\d+)"));
        const QRegularExpressionMatch match = peak.match(output);
        QVERIFY(match.hasMatch());
        QVERIFY2(match.captured(1).toLongLong() < 250 * 1024, qPrintable(match.captured(0)));
    }

    void tenThousandLinks()
    {
        Medium medium;
        LinksFolder &links = medium.links;
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n[button]\nwidth=40\nheight=40\n");
        links.probeLink(QStringLiteral("good.link"), 1);
        const QByteArray body = "[properties]\nicon=icon.png\ntitle=Many\n[click]\npath=/nonexistent\n";
#if defined(__SANITIZE_ADDRESS__)
        const int count = 2000; // the sanitizers make every link ten times slower
#else
        const int count = 10000;
#endif
        for (int i = 0; i < count; ++i)
            links.write(QStringLiteral("many%1.link").arg(i), body);

        const int code = medium.handOver({ QStringLiteral("good"), QStringLiteral("x") }, 240000);
        QCOMPARE(code, 0);
        QCOMPARE(TestSupport::waitForProbeRecords(medium.probeOut, 1).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestHostileMedium)
#include "tst_hostilemedium.moc"
