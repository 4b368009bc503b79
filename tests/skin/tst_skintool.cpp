#include "config/backgroundsignature.h"
#include "testsupport.h"

#include <QImage>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

// gatepoint-skin as a skin author runs it: exit codes and file effects, the
// preview that pictures the real launcher window of a skin, and pack, which
// lays out a medium the launcher accepts, or nothing. (sign and verify:
// tst_backgroundsignature.)
class SkinToolTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void helpPerCommand();
    void initWritesAStarterSkin();
    void renderSvg();
    void previewPicturesTheWindowAndOpensFolders();
    void exitCodes_data();
    void exitCodes();
    void packsSignedLintedMedium();
    void packRefusesWithoutLeftovers();

private:
    // Output holds both channels.
    static TestSupport::Finished run(const QStringList &arguments, const QString &program = TestSupport::skinToolPath())
    {
        TestSupport::Finished result = TestSupport::runProgram(program, arguments);
        result.out += result.err;
        return result;
    }

    QTemporaryDir dir;
};

void SkinToolTest::initTestCase()
{
    TestSupport::isolate();
    QVERIFY(TestSupport::writeFile(dir.filePath("rounded.svg"),
        "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='20' viewBox='0 0 40 20'>"
        "<rect x='0' y='0' width='40' height='20' rx='8' fill='#ff0000'/></svg>"));
    const QString links = dir.filePath("links");
    QVERIFY(TestSupport::writeFile(links + "/launcher.conf",
        "[app]\nbackground=background.png\npadding-left=10\npadding-top=10\n"
        "[button]\nwidth=60\nheight=60\nmargin-right=10\nshiftduration=50\n"));
    QVERIFY(TestSupport::writeFile(
        links + "/background.png", BackgroundSignature::sign(TestSupport::pngBytes(400, 120, Qt::darkBlue))));
    QVERIFY(TestSupport::writeFile(links + "/red.png", TestSupport::pngBytes(60, 60, Qt::red)));
    QVERIFY(TestSupport::writeFile(links + "/green.png", TestSupport::pngBytes(60, 60, Qt::green)));
    QVERIFY(TestSupport::writeFile(links + "/run.link", "[properties]\nicon=red.png\npriority=2\n"));
    QVERIFY(TestSupport::writeFile(links + "/menu.link/_.link", "[properties]\nicon=../green.png\npriority=1\n"));
    QVERIFY(TestSupport::writeFile(links + "/menu.link/child.link", "[properties]\nicon=../red.png\n"));
    // Unsigned on purpose: packing signs it.
    const QString skin = dir.filePath("unsigned");
    QVERIFY(TestSupport::writeFile(
        skin + "/launcher.conf", "[app]\nbackground=background.png\n[button]\nwidth=40\nheight=40\n"));
    QVERIFY(TestSupport::writeFile(skin + "/background.png", TestSupport::pngBytes(300, 100)));
    QVERIFY(TestSupport::writeFile(skin + "/icon.png", TestSupport::pngBytes(40, 40)));
    QVERIFY(TestSupport::writeFile(skin + "/photo.jpg", "a picture format that needs its plugin"));
    QVERIFY(TestSupport::writeFile(skin + "/run.link", "[properties]\nicon=icon.png\n[click]\npath=icon.png\n"));
    QVERIFY(TestSupport::writeFile(dir.filePath("translations/gatepoint_it.qm"), "qm"));
    QVERIFY(TestSupport::writeFile(dir.filePath("blob.bin"), "blob"));
    QVERIFY(TestSupport::writeFile(dir.filePath("broken/launcher.conf"), "[app]\nbackground=missing.png\n"));
}

void SkinToolTest::helpPerCommand()
{
    for (const char *command : { "sign", "verify", "render-svg", "screenshot", "lint", "preview", "pack", "init" }) {
        const TestSupport::Finished help = run({ command, "--help" });
        QCOMPARE(help.code, 0);
        QVERIFY(help.out.startsWith(QStringLiteral("usage: gatepoint-skin %1 ").arg(command)));
    }
}

void SkinToolTest::initWritesAStarterSkin()
{
    const QString skin = dir.filePath("starter");
    QCOMPARE(run({ "init", skin }).code, 0);
    const TestSupport::Finished lint = run({ "lint", skin, "--strict" });
    QVERIFY2(lint.code == 0, qPrintable(lint.out));
    QCOMPARE(run({ "preview", skin, "--out", dir.filePath("starter.png"), "--open", "more" }).code, 0);
    QCOMPARE(QImage(dir.filePath("starter.png")).size(), QSize(480, 160));
    // An author's folder is never written over.
    QCOMPARE(run({ "init", skin }).code, 1);
}

void SkinToolTest::renderSvg()
{
    const QString svg = dir.filePath("rounded.svg");
    QCOMPARE(run({ "render-svg", svg, dir.filePath("natural.png") }).code, 0);
    QCOMPARE(QImage(dir.filePath("natural.png")).size(), QSize(40, 20));
    QCOMPARE(run({ "render-svg", svg, dir.filePath("scaled.png"), "80", "40" }).code, 0);
    const QImage image(dir.filePath("scaled.png"));
    QCOMPARE(image.size(), QSize(80, 40));
    // Rounded corners stay transparent, the middle is painted opaque.
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(image.pixel(40, 20), qRgba(255, 0, 0, 255));
}

void SkinToolTest::previewPicturesTheWindowAndOpensFolders()
{
    const QString home = dir.filePath("home.png");
    const QString opened = dir.filePath("opened.png");
    QCOMPARE(run({ "preview", dir.filePath("links"), "--out", home }).code, 0);
    QCOMPARE(run({ "preview", dir.filePath("links"), "--out", opened, "--open", "menu" }).code, 0);
    const QImage homeShot(home);
    const QImage openedShot(opened);
    QCOMPARE(homeShot.size(), QSize(400, 120));
    QCOMPARE(openedShot.size(), QSize(400, 120));
    // Home: run (priority 2) first, the folder after it.
    QCOMPARE(QColor(homeShot.pixel(40, 40)), QColor(Qt::red));
    QCOMPARE(QColor(homeShot.pixel(110, 40)), QColor(Qt::green));
    // Opened: the folder takes the first slot and its entry comes in beside it.
    QCOMPARE(QColor(openedShot.pixel(110, 40)), QColor(Qt::red));
}

void SkinToolTest::exitCodes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    const QString links = dir.filePath("links");
    const QString out = dir.filePath("x.png");
    const QString svg = dir.filePath("rounded.svg");
    QTest::newRow("no command") << QStringList() << 2;
    QTest::newRow("unknown command") << QStringList { "polish", "x" } << 2;
    QTest::newRow("sign unknown option") << QStringList { "sign", "--force", "x.png" } << 2;
    QTest::newRow("render not svg") << QStringList { "render-svg", links + "/launcher.conf", out } << 1;
    QTest::newRow("render zero width") << QStringList { "render-svg", svg, out, "0", "10" } << 2;
    QTest::newRow("render huge") << QStringList { "render-svg", svg, out, "100000", "100000" } << 2;
    QTest::newRow("preview without output") << QStringList { "preview", links } << 2;
    QTest::newRow("preview unknown option") << QStringList { "preview", links, "--out", out, "--zoom", "2" } << 2;
    QTest::newRow("preview unsigned") << QStringList { "preview", dir.filePath("unsigned"), "--out", out } << 1;
    QTest::newRow("preview no such button") << QStringList { "preview", links, "--out", out, "--open", "nothing" } << 1;
    QTest::newRow("pack without program") << QStringList { "pack", "--skin", links, "--out", out } << 2;
}

void SkinToolTest::exitCodes()
{
    QFETCH(QStringList, arguments);
    QTEST(run(arguments).code, "code");
    QVERIFY(!QFile::exists(dir.filePath("x.png")));
}

void SkinToolTest::packsSignedLintedMedium()
{
    const QString medium = dir.filePath("medium");
    const QString iso = dir.filePath("medium.iso");
    const TestSupport::Finished packed
        = run({ "pack", "--program", GATEPOINT_BUILD_DIR "/bin/gatepoint", "--skin", dir.filePath("unsigned"), "--out",
            medium, "--translations", dir.filePath("translations"), "--blob", dir.filePath("blob.bin"), "--iso", iso });
    QVERIFY2(packed.code == 0, qPrintable(packed.out));
    QVERIFY(QFileInfo(medium + "/bin/gatepoint").isExecutable());
    // Picture plugins for the formats the medium holds, and only those.
    for (const char *file :
        { "/Commons/gatepoint_it.qm", "/Commons/blob.bin", "/bin/plugins/imageformats/libqjpeg.so" })
        QVERIFY2(QFileInfo::exists(medium + file), file);
    QVERIFY(!QFileInfo::exists(medium + "/bin/plugins/imageformats/libqgif.so"));
    QCOMPARE(QSettings(medium + "/Commons/lang.ini", QSettings::IniFormat).value("lang/lang").toString(),
        QStringLiteral("auto"));
    // Files are named by their final place.
    QVERIFY(packed.out.contains(medium + "/Commons/links/background.png: signed") && !packed.out.contains(".tmp"));
    QVERIFY(!QFileInfo::exists(medium + ".tmp"));
    const TestSupport::Finished lint = run({ "lint", medium + "/Commons/links", "--strict" });
    QVERIFY2(lint.code == 0, qPrintable(lint.out));

    // Packing again replaces the medium; the signed background is re-signed, not signed twice.
    QCOMPARE(run({ "pack", "--program", GATEPOINT_BUILD_DIR "/bin/gatepoint", "--skin", medium + "/Commons/links",
                     "--out", dir.filePath("again") })
                 .code,
        0);
    QCOMPARE(run({ "verify", dir.filePath("again/Commons/links/background.png") }).code, 0);

    const QString xorriso = QStandardPaths::findExecutable("xorriso");
    if (xorriso.isEmpty())
        QSKIP("xorriso is not installed");
    const TestSupport::Finished listing = run({ "-indev", iso, "-ls" }, xorriso);
    QCOMPARE(listing.code, 0);
    QVERIFY(listing.out.contains("'bin'") && listing.out.contains("'Commons'"));
}

void SkinToolTest::packRefusesWithoutLeftovers()
{
    const QString medium = dir.filePath("refused");
    const TestSupport::Finished broken = run({ "pack", "--program", GATEPOINT_BUILD_DIR "/bin/gatepoint", "--skin",
        dir.filePath("broken"), "--out", medium });
    QCOMPARE(broken.code, 2);
    QVERIFY(broken.out.contains("links/launcher.conf:2: error: background \"missing.png\" does not exist"));
    // A program without the run path to bin/lib would run on the host's Qt.
    const TestSupport::Finished foreign = run({ "pack", "--program", TestSupport::helperPath("gp_probe"), "--skin",
        dir.filePath("unsigned"), "--out", medium });
    QCOMPARE(foreign.code, 1);
    QVERIFY(foreign.out.contains("$ORIGIN/lib"));
    QVERIFY(!QFileInfo::exists(medium) && !QFileInfo::exists(medium + ".tmp"));
}

QTEST_MAIN(SkinToolTest)
#include "tst_skintool.moc"
