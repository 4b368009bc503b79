#include "config/backgroundsignature.h"
#include "testsupport.h"

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

// gatepoint-skin preview pictures the real launcher window of a skin.
class SkinPreviewTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void picturesTheWindowAndOpensFolders();
    void refuses_data();
    void refuses();

private:
    static int preview(const QStringList &arguments)
    {
        return TestSupport::runProgram(
            TestSupport::skinToolPath(), QStringList { QStringLiteral("preview") } + arguments)
            .code;
    }
    QTemporaryDir dir;
};

void SkinPreviewTest::initTestCase()
{
    TestSupport::isolate();
    QVERIFY(dir.isValid());
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

void SkinPreviewTest::picturesTheWindowAndOpensFolders()
{
    const QString links = dir.filePath("links");
    const QString home = dir.filePath("home.png");
    const QString opened = dir.filePath("opened.png");
    QCOMPARE(preview({ links, "--out", home }), 0);
    QCOMPARE(preview({ links, "--out", opened, "--open", "menu" }), 0);

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

void SkinPreviewTest::refuses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    const QString links = dir.filePath("links");
    const QString out = dir.filePath("x.png");
    QTest::newRow("no output") << QStringList { links } << 2;
    QTest::newRow("unknown option") << QStringList { links, "--out", out, "--zoom", "2" } << 2;
    QTest::newRow("unsigned background") << QStringList { dir.filePath("unsigned"), "--out", out } << 1;
    QTest::newRow("no such button") << QStringList { links, "--out", out, "--open", "nothing" } << 1;
}

void SkinPreviewTest::refuses()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QCOMPARE(preview(arguments), code);
}

QTEST_MAIN(SkinPreviewTest)
#include "tst_skinpreview.moc"
