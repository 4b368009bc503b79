#include "testsupport.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// gatepoint-skin pack lays out a medium the launcher accepts, or nothing.
class SkinPackTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void packsSignedLintedMedium();
    void refusesBrokenSkinWithoutLeftovers();

private:
    struct Result {
        int code = -1;
        QString output;
    };
    static Result tool(
        const QStringList &arguments, const QString &program = GATEPOINT_BUILD_DIR "/bin/gatepoint-skin");
    QTemporaryDir dir;
};

void SkinPackTest::initTestCase()
{
    TestSupport::isolate();
    QVERIFY(dir.isValid());
    const QString skin = dir.filePath("skin");
    // Unsigned on purpose: packing signs it.
    QVERIFY(TestSupport::writeFile(
        skin + "/launcher.conf", "[app]\nbackground=background.png\n[button]\nwidth=40\nheight=40\n"));
    QVERIFY(TestSupport::writeFile(skin + "/background.png", TestSupport::pngBytes(300, 100)));
    QVERIFY(TestSupport::writeFile(skin + "/icon.png", TestSupport::pngBytes(40, 40)));
    QVERIFY(TestSupport::writeFile(skin + "/run.link", "[properties]\nicon=icon.png\n[click]\npath=icon.png\n"));
    QVERIFY(TestSupport::writeFile(dir.filePath("translations/gatepoint_it.qm"), "qm"));
    QVERIFY(TestSupport::writeFile(dir.filePath("blob.bin"), "blob"));
    QVERIFY(TestSupport::writeFile(dir.filePath("broken/launcher.conf"), "[app]\nbackground=missing.png\n"));
}

SkinPackTest::Result SkinPackTest::tool(const QStringList &arguments, const QString &program)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Result result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.code = process.exitCode();
    result.output = QString::fromUtf8(process.readAll());
    return result;
}

void SkinPackTest::packsSignedLintedMedium()
{
    const QString medium = dir.filePath("medium");
    const QString iso = dir.filePath("medium.iso");
    const Result packed
        = tool({ "pack", "--program", GATEPOINT_BUILD_DIR "/bin/gatepoint", "--skin", dir.filePath("skin"), "--out",
            medium, "--translations", dir.filePath("translations"), "--blob", dir.filePath("blob.bin"), "--iso", iso });
    QVERIFY2(packed.code == 0, qPrintable(packed.output));

    QVERIFY(QFileInfo(medium + "/bin/gatepoint").isExecutable());
    QVERIFY(QFileInfo::exists(medium + "/Commons/gatepoint_it.qm"));
    QVERIFY(QFileInfo::exists(medium + "/Commons/blob.bin"));
    QCOMPARE(QSettings(medium + "/Commons/lang.ini", QSettings::IniFormat).value("lang/lang").toString(),
        QStringLiteral("auto"));
    QVERIFY(!QFileInfo::exists(medium + ".tmp"));
    QCOMPARE(tool({ "verify", medium + "/Commons/links/background.png" }).code, 0);
    const Result lint = tool({ "lint", medium + "/Commons/links", "--strict" });
    QVERIFY2(lint.code == 0, qPrintable(lint.output));

    // Packing again replaces the medium; the signed background is re-signed, not signed twice.
    QCOMPARE(tool({ "pack", "--program", GATEPOINT_BUILD_DIR "/bin/gatepoint", "--skin", medium + "/Commons/links",
                      "--out", dir.filePath("again") })
                 .code,
        0);
    QCOMPARE(tool({ "verify", dir.filePath("again/Commons/links/background.png") }).code, 0);

    const QString xorriso = QStandardPaths::findExecutable("xorriso");
    if (xorriso.isEmpty())
        QSKIP("xorriso is not installed");
    const Result listing = tool({ "-indev", iso, "-ls" }, xorriso);
    QCOMPARE(listing.code, 0);
    QVERIFY2(listing.output.contains("'bin'") && listing.output.contains("'Commons'"), qPrintable(listing.output));
}

void SkinPackTest::refusesBrokenSkinWithoutLeftovers()
{
    const QString medium = dir.filePath("refused");
    const Result packed = tool({ "pack", "--program", GATEPOINT_BUILD_DIR "/bin/gatepoint", "--skin",
        dir.filePath("broken"), "--out", medium });
    QCOMPARE(packed.code, 2);
    QVERIFY(packed.output.contains("links/launcher.conf:2: error: background \"missing.png\" does not exist"));
    QVERIFY(!QFileInfo::exists(medium));
    QVERIFY(!QFileInfo::exists(medium + ".tmp"));
    QCOMPARE(tool({ "pack", "--skin", dir.filePath("skin") }).code, 2);
}

QTEST_MAIN(SkinPackTest)
#include "tst_skinpack.moc"
