#include "config/backgroundsignature.h"
#include "testsupport.h"

#include <QImage>
#include <QtTest>

// gatepoint-skin as a skin author runs it: exit codes and file effects.
class SkinToolTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }
    void signVerifyAndReplace();
    void badUsage_data();
    void badUsage();
    void renderSvg();
    void renderRejects_data();
    void renderRejects();

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
    const TestSupport::Finished verified = run({ "verify", path });
    QCOMPARE(verified.code, 0);
    QCOMPARE((verified.out + verified.err).trimmed().count('\n'), 0); // one line

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

void SkinToolTest::badUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no command") << QStringList();
    QTest::newRow("unknown command") << QStringList { "polish", "x" };
    QTest::newRow("sign unknown option") << QStringList { "sign", "--force", "x.png" };
}

void SkinToolTest::badUsage()
{
    QFETCH(QStringList, arguments);
    QCOMPARE(run(arguments).code, 2);
}

void SkinToolTest::renderSvg()
{
    const QString svg = dir.filePath("rounded.svg");
    QVERIFY(TestSupport::writeFile(svg, roundedSvg));
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

void SkinToolTest::renderRejects_data()
{
    QTest::addColumn<QByteArray>("svg");
    QTest::addColumn<QStringList>("size");
    QTest::addColumn<int>("code");
    QTest::newRow("not svg") << QByteArray("this is no picture") << QStringList() << 1;
    QTest::newRow("zero width") << roundedSvg << QStringList { "0", "10" } << 2;
    QTest::newRow("huge") << roundedSvg << QStringList { "100000", "100000" } << 2;
}

void SkinToolTest::renderRejects()
{
    QFETCH(QByteArray, svg);
    QFETCH(QStringList, size);
    const QString in = dir.filePath("reject.svg");
    const QString out = dir.filePath("reject.png");
    QFile::remove(out);
    QVERIFY(TestSupport::writeFile(in, svg));
    QTEST(run(QStringList { "render-svg", in, out } + size).code, "code");
    QVERIFY(!QFile::exists(out));
}

QTEST_MAIN(SkinToolTest)
#include "tst_skintool.moc"
