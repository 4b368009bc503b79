#include "testsupport.h"

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
    static TestSupport::Finished tool(
        const QStringList &arguments, const QString &program = TestSupport::skinToolPath())
    {
        TestSupport::Finished result = TestSupport::runProgram(program, arguments);
        result.out += result.err;
        return result;
    }
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
    QVERIFY(TestSupport::writeFile(skin + "/photo.jpg", "a picture format that needs its plugin"));
    QVERIFY(TestSupport::writeFile(skin + "/run.link", "[properties]\nicon=icon.png\n[click]\npath=icon.png\n"));
    QVERIFY(TestSupport::writeFile(dir.filePath("translations/gatepoint_it.qm"), "qm"));
    QVERIFY(TestSupport::writeFile(dir.filePath("blob.bin"), "blob"));
    QVERIFY(TestSupport::writeFile(dir.filePath("broken/launcher.conf"), "[app]\nbackground=missing.png\n"));
}

void SkinPackTest::packsSignedLintedMedium()
{
    const QString medium = dir.filePath("medium");
    const QString iso = dir.filePath("medium.iso");
    const TestSupport::Finished packed
        = tool({ "pack", "--program", GATEPOINT_BUILD_DIR "/bin/gatepoint", "--skin", dir.filePath("skin"), "--out",
            medium, "--translations", dir.filePath("translations"), "--blob", dir.filePath("blob.bin"), "--iso", iso });
    QVERIFY2(packed.code == 0, qPrintable(packed.out));

    QVERIFY(QFileInfo(medium + "/bin/gatepoint").isExecutable());
    QVERIFY(QFileInfo::exists(medium + "/Commons/gatepoint_it.qm"));
    QVERIFY(QFileInfo::exists(medium + "/Commons/blob.bin"));
    QCOMPARE(QSettings(medium + "/Commons/lang.ini", QSettings::IniFormat).value("lang/lang").toString(),
        QStringLiteral("auto"));
    QVERIFY(!QFileInfo::exists(medium + ".tmp"));
    // Picture plugins for the formats the medium holds, and only those.
    QVERIFY(QFileInfo::exists(medium + "/bin/plugins/imageformats/libqjpeg.so"));
    QVERIFY(!QFileInfo::exists(medium + "/bin/plugins/imageformats/libqgif.so"));
    QVERIFY(packed.out.contains(medium + "/Commons/links/background.png: signed") && !packed.out.contains(".tmp"));
    QCOMPARE(tool({ "verify", medium + "/Commons/links/background.png" }).code, 0);
    const TestSupport::Finished lint = tool({ "lint", medium + "/Commons/links", "--strict" });
    QVERIFY2(lint.code == 0, qPrintable(lint.out));

    // Packing again replaces the medium; the signed background is re-signed, not signed twice.
    QCOMPARE(tool({ "pack", "--program", GATEPOINT_BUILD_DIR "/bin/gatepoint", "--skin", medium + "/Commons/links",
                      "--out", dir.filePath("again") })
                 .code,
        0);
    QCOMPARE(tool({ "verify", dir.filePath("again/Commons/links/background.png") }).code, 0);

    const QString xorriso = QStandardPaths::findExecutable("xorriso");
    if (xorriso.isEmpty())
        QSKIP("xorriso is not installed");
    const TestSupport::Finished listing = tool({ "-indev", iso, "-ls" }, xorriso);
    QCOMPARE(listing.code, 0);
    QVERIFY(listing.out.contains("'bin'") && listing.out.contains("'Commons'"));
}

void SkinPackTest::refusesBrokenSkinWithoutLeftovers()
{
    const QString medium = dir.filePath("refused");
    const TestSupport::Finished packed = tool({ "pack", "--program", GATEPOINT_BUILD_DIR "/bin/gatepoint", "--skin",
        dir.filePath("broken"), "--out", medium });
    QCOMPARE(packed.code, 2);
    QVERIFY(packed.out.contains("links/launcher.conf:2: error: background \"missing.png\" does not exist"));
    QVERIFY(!QFileInfo::exists(medium) && !QFileInfo::exists(medium + ".tmp"));
    QCOMPARE(tool({ "pack", "--skin", dir.filePath("skin") }).code, 2);

    // A program without the run path to bin/lib would run on the host's Qt.
    const TestSupport::Finished foreign = tool(
        { "pack", "--program", TestSupport::helperPath("gp_probe"), "--skin", dir.filePath("skin"), "--out", medium });
    QCOMPARE(foreign.code, 1);
    QVERIFY(foreign.out.contains("$ORIGIN/lib"));
    QVERIFY(!QFileInfo::exists(medium) && !QFileInfo::exists(medium + ".tmp"));
}

QTEST_MAIN(SkinPackTest)
#include "tst_skinpack.moc"
