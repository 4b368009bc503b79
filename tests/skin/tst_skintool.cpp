#include "config/backgroundsignature.h"
#include "testsupport.h"

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

// gatepoint-skin as a skin author runs it: exit codes and file effects, and
// the preview that pictures the real launcher window of a skin.
class SkinToolTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void signVerifyAndReplace();
    void helpPerCommand();
    void initWritesAStarterSkin();
    void renderSvg();
    void previewPicturesTheWindowAndOpensFolders();
    void exitCodes_data();
    void exitCodes();

private:
    static TestSupport::Finished run(const QStringList &arguments)
    {
        return TestSupport::runProgram(TestSupport::skinToolPath(), arguments);
    }
    static QByteArray read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

namespace {
const QByteArray picture = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(500, 'q');
const QByteArray roundedSvg = "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='20' viewBox='0 0 40 20'>"
                              "<rect x='0' y='0' width='40' height='20' rx='8' fill='#ff0000'/></svg>";
} // namespace

void SkinToolTest::signVerifyAndReplace()
{
    const QString path = dir.filePath("signed.png");
    QVERIFY(TestSupport::writeFile(path, picture));
    // Unsigned and missing files do not verify. (Tampered contents:
    // tst_backgroundsignature.)
    QCOMPARE(run({ "verify", path }).code, 1);
    QCOMPARE(run({ "verify", dir.filePath("missing.png") }).code, 1);
    QCOMPARE(run({ "sign", path }).code, 0);
    const QByteArray once = read(path);
    QCOMPARE(once.left(picture.size()), picture);
    QCOMPARE(once.size(), picture.size() + BackgroundSignature::digestLength);
    QVERIFY(BackgroundSignature::verifyFile(path));
    QCOMPARE(run({ "verify", path }).code, 0);

    // Without --replace a signed file is refused and left untouched.
    const TestSupport::Finished refused = run({ "sign", path });
    QCOMPARE(refused.code, 1);
    QVERIFY((refused.out + refused.err).contains("already signed"));
    QCOMPARE(read(path), once);
    // With --replace (before or after the file) the old digest goes: same bytes.
    QCOMPARE(run({ "sign", "--replace", path }).code, 0);
    QCOMPARE(read(path), once);
    QCOMPARE(run({ "sign", path, "--replace" }).code, 0);
    QCOMPARE(read(path), once);
    // --replace on an unsigned file simply signs it.
    const QString fresh = dir.filePath("fresh.png");
    QVERIFY(TestSupport::writeFile(fresh, picture));
    QCOMPARE(run({ "sign", "--replace", fresh }).code, 0);
    QCOMPARE(read(fresh), once);
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
    const QString natural = dir.filePath("natural.png");
    QCOMPARE(run({ "render-svg", svg, natural }).code, 0);
    QCOMPARE(QImage(natural).size(), QSize(40, 20));
    const QString scaled = dir.filePath("scaled.png");
    QCOMPARE(run({ "render-svg", svg, scaled, "80", "40" }).code, 0);
    const QImage image(scaled);
    QCOMPARE(image.size(), QSize(80, 40));
    // Rounded corners stay transparent, the middle is painted opaque.
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(image.pixel(40, 20), qRgba(255, 0, 0, 255));
}

void SkinToolTest::initTestCase()
{
    TestSupport::isolate();
    QVERIFY(TestSupport::writeFile(dir.filePath("rounded.svg"), roundedSvg));
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
    QVERIFY(TestSupport::writeFile(dir.filePath("unsigned/launcher.conf"), "[app]\nbackground=background.png\n"));
    QVERIFY(
        TestSupport::writeFile(dir.filePath("unsigned/background.png"), TestSupport::pngBytes(400, 120, Qt::darkBlue)));
}

void SkinToolTest::previewPicturesTheWindowAndOpensFolders()
{
    const QString links = dir.filePath("links");
    const QString home = dir.filePath("home.png");
    const QString opened = dir.filePath("opened.png");
    QCOMPARE(run({ "preview", links, "--out", home }).code, 0);
    QCOMPARE(run({ "preview", links, "--out", opened, "--open", "menu" }).code, 0);

    const QImage homeShot(home);
    const QImage openedShot(opened);
    QCOMPARE(homeShot.size(), QSize(400, 120));
    QCOMPARE(openedShot.size(), QSize(400, 120));
    // Home: run (priority 2) first, the folder after it.
    QCOMPARE(QColor(homeShot.pixel(40, 40)), QColor(Qt::red));
    QCOMPARE(QColor(homeShot.pixel(110, 40)), QColor(Qt::green));
    // Opened: the folder takes the first slot and its entry comes in beside it.
    QCOMPARE(QColor(openedShot.pixel(110, 40)), QColor(Qt::red));
    QVERIFY(openedShot != homeShot);
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
}

void SkinToolTest::exitCodes()
{
    QFETCH(QStringList, arguments);
    QTEST(run(arguments).code, "code");
    QVERIFY(!QFile::exists(dir.filePath("x.png")));
}

QTEST_MAIN(SkinToolTest)
#include "tst_skintool.moc"
