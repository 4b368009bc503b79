#include "testsupport.h"

#include <QDirIterator>
#include <QSettings>
#include <QtTest>

// The built demo medium shows every kind of button and the programs it
// names are there to run. Whether each file a skin names exists is the
// linter's check (tst_skinlint runs it on both skins).
class DemoMediumTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }
    void mediumHoldsItsProgramsAndEveryButtonKind();
};

void DemoMediumTest::mediumHoldsItsProgramsAndEveryButtonKind()
{
    const QString commons = QStringLiteral(GATEPOINT_BUILD_DIR "/demo-medium/Commons");
    QVERIFY2(QFileInfo(commons).isDir(), "the demo medium has not been built");
    QVERIFY(QFileInfo(commons + "/../bin/gatepoint").isExecutable());
    QVERIFY(QFileInfo(commons + "/tools/demotool").isExecutable());
    QVERIFY(QFileInfo::exists(commons + "/blob.bin"));
    QCOMPARE(
        QSettings(commons + "/lang.ini", QSettings::IniFormat).value("lang/lang").toString(), QStringLiteral("auto"));

    const QString folder = commons + "/links";
    // The document actions find their buttons by these names.
    for (const char *name : { "sign.link", "verify.link", "timestamp.link", "tools.link/_.link" })
        QVERIFY2(QFileInfo::exists(folder + '/' + name), name);
    QSet<QString> types;
    QDirIterator it(folder, { QStringLiteral("*.link") }, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QSettings link(it.next(), QSettings::IniFormat);
        link.setIniCodec("UTF-8");
        types.insert(link.value("click/type", "RUN").toString().toUpper());
        // Titles in both languages, so the language switch shows.
        QVERIFY2(!link.value("properties/title.it").toString().isEmpty(), qPrintable(it.filePath()));
        QVERIFY2(!link.value("properties/title.en").toString().isEmpty(), qPrintable(it.filePath()));
    }
    for (const char *type : { "RUN", "OPENFILE", "OPENFOLDER", "OPENLINK", "RUNINTEMP", "RUNANDEXIT",
             "OPENMULTIPLEFILES", "CHECKBUTTON", "RELOAD" })
        QVERIFY2(types.contains(type), type);

    QSettings conf(folder + "/launcher.conf", QSettings::IniFormat);
    for (const char *group : { "exit", "minimize", "always_on_top", "info", "document" })
        QVERIFY2(conf.childGroups().contains(group), group);
    QCOMPARE(conf.value("app/autorun").toStringList().size(), 1);
    QCOMPARE(conf.value("app/autorun_wait_0").toBool(), false);
}

QTEST_MAIN(DemoMediumTest)
#include "tst_demomedium.moc"
