#include "config/backgroundsignature.h"
#include "testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSettings>
#include <QtTest>

// The built demo medium must be complete: every file that a link file or a
// launcher.conf names exists, and each skin's background carries its digest.
class DemoMediumTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void linkFilesNameExistingFiles_data();
    void linkFilesNameExistingFiles();
    void launcherConfNamesExistingFiles_data();
    void launcherConfNamesExistingFiles();
    void skinOffersEveryButtonKind();
};

namespace {

const QString commons = QStringLiteral(GATEPOINT_BUILD_DIR "/demo-medium/Commons");
const QStringList skins = { QStringLiteral("links"), QStringLiteral("links-alt") };

// Resolves a configured path as the launcher does for the medium: %respath%
// is the resource folder, anything else is relative to the file's folder.
QString resolve(const QString &value, const QString &folder)
{
    static const QString respath = QStringLiteral("%respath%");
    if (value.startsWith(respath, Qt::CaseInsensitive))
        return QDir::cleanPath(commons + value.mid(respath.size()));
    return QDir::cleanPath(QDir(folder).absoluteFilePath(value));
}

void expectFile(const QString &value, const QString &folder, const QString &what)
{
    if (value.isEmpty())
        return;
    const QString path = resolve(value, folder);
    QVERIFY2(QFileInfo::exists(path), qPrintable(what + " names a missing file: " + path));
}

QStringList linkFiles()
{
    QStringList files;
    for (const QString &skin : skins) {
        QDirIterator it(commons + '/' + skin, { QStringLiteral("*.link") }, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
    }
    files.sort();
    return files;
}

// Programs are started, not just opened: they must be executable.
void expectProgram(const QString &value, const QString &folder, const QString &what)
{
    expectFile(value, folder, what);
    const QFileInfo info(resolve(value, folder));
    QVERIFY2(info.isDir() || info.isExecutable() || info.suffix() == QLatin1String("html"),
        qPrintable(what + " is not executable: " + info.filePath()));
}

} // namespace

void DemoMediumTest::initTestCase()
{
    TestSupport::isolate();
    QVERIFY2(QFileInfo(commons).isDir(), "the demo medium has not been built");
    QVERIFY(QFileInfo(commons + "/../bin/gatepoint").isExecutable());
    QVERIFY(QFileInfo(commons + "/tools/demotool").isExecutable());
    QVERIFY(QFileInfo::exists(commons + "/blob.bin"));
    QSettings lang(commons + "/lang.ini", QSettings::IniFormat);
    QCOMPARE(lang.value("lang/lang").toString(), QStringLiteral("auto"));
}

void DemoMediumTest::linkFilesNameExistingFiles_data()
{
    QTest::addColumn<QString>("file");
    const QStringList files = linkFiles();
    QVERIFY(files.size() >= 12);
    for (const QString &file : files)
        QTest::newRow(qPrintable(QDir(commons).relativeFilePath(file))) << file;
}

void DemoMediumTest::linkFilesNameExistingFiles()
{
    QFETCH(QString, file);
    const QString folder = QFileInfo(file).absolutePath();
    QSettings settings(file, QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    QCOMPARE(settings.status(), QSettings::NoError);

    // Every button needs its icon, or the launcher leaves it out.
    const QString icon = settings.value("properties/icon").toString();
    QVERIFY2(!icon.isEmpty(), "a link without icon gets no button");
    const QStringList keys = settings.allKeys();
    for (const QString &key : keys) {
        const QString name = key.section('/', 1).section('.', 0, 0);
        static const QStringList pictures
            = { "icon", "icon_lite", "checkicon", "pressedicon", "pressedfilepath", "image", "checkimage" };
        if (pictures.contains(name))
            expectFile(settings.value(key).toString(), folder, key);
    }
    if (!settings.value("properties/wpath").toString().isEmpty())
        QVERIFY(QFileInfo(resolve(settings.value("properties/wpath").toString(), folder)).isDir());

    // Titles in both languages, so the language switch shows.
    QVERIFY2(!settings.value("properties/title.it").toString().isEmpty(), "no Italian title");
    QVERIFY2(!settings.value("properties/title.en").toString().isEmpty(), "no English title");

    const QString type = settings.value("click/type").toString().toUpper();
    if (type == QLatin1String("RELOAD")) {
        // The first argument is a links folder of the resource directory.
        const QString target = settings.value("click/args").toStringList().value(0);
        QVERIFY(!target.isEmpty());
        QVERIFY2(QFileInfo::exists(commons + '/' + target + "/launcher.conf"), qPrintable(target));
    } else if (QFileInfo(file).fileName() != QLatin1String("_.link")) {
        expectProgram(settings.value("click/path").toString(), folder, "click/path");
    }
    expectProgram(settings.value("drop/path").toString(), folder, "drop/path");

    const QString submenu = settings.value("ondrop/submenu").toString();
    if (!submenu.isEmpty()) {
        const QDir menu(resolve(submenu, folder));
        QVERIFY2(menu.exists(), qPrintable(menu.path()));
        QVERIFY(!menu.entryList({ "*.link" }, QDir::Files).isEmpty());
    }
}

void DemoMediumTest::launcherConfNamesExistingFiles_data()
{
    QTest::addColumn<QString>("skin");
    for (const QString &skin : skins)
        QTest::newRow(qPrintable(skin)) << skin;
}

void DemoMediumTest::launcherConfNamesExistingFiles()
{
    QFETCH(QString, skin);
    const QString folder = commons + '/' + skin;
    QSettings conf(folder + "/launcher.conf", QSettings::IniFormat);
    QVERIFY(QFileInfo::exists(conf.fileName()));

    const QString background = conf.value("app/background").toString();
    QVERIFY(!background.isEmpty());
    QVERIFY2(BackgroundSignature::verifyFile(resolve(background, folder)), "background digest invalid");
    QVERIFY(QFileInfo::exists(folder + "/icon.png"));

    const QStringList groups = conf.childGroups();
    for (const QString &group : groups) {
        for (const char *key : { "image", "checkimage", "toggle_image" })
            expectFile(conf.value(group + '/' + key).toString(), folder, group + '/' + QLatin1String(key));
    }
    expectProgram(conf.value("info/process").toString(), folder, "info/process");
    for (const QString &argument : conf.value("document/args").toStringList())
        QVERIFY2(QFileInfo(resolve(argument, folder)).isDir(), qPrintable(argument));

    const QStringList autorun = conf.value("app/autorun").toStringList();
    for (const QString &program : autorun)
        expectProgram(program, folder, "app/autorun");
}

void DemoMediumTest::skinOffersEveryButtonKind()
{
    const QString folder = commons + "/links";
    // The document actions find their buttons by these names.
    for (const char *name : { "sign.link", "verify.link", "timestamp.link", "tools.link/_.link" })
        QVERIFY2(QFileInfo::exists(folder + '/' + name), name);

    QSet<QString> types;
    for (const QString &file : linkFiles())
        types.insert(QSettings(file, QSettings::IniFormat).value("click/type", "RUN").toString().toUpper());
    for (const char *type : { "RUN", "OPENFILE", "OPENFOLDER", "OPENLINK", "RUNINTEMP", "RUNANDEXIT",
             "OPENMULTIPLEFILES", "CHECKBUTTON", "RELOAD" })
        QVERIFY2(types.contains(type), type);

    QSettings conf(folder + "/launcher.conf", QSettings::IniFormat);
    for (const char *group : { "exit", "minimize", "always_on_top", "info", "document" })
        QVERIFY2(conf.childGroups().contains(group), group);
    QVERIFY(!conf.value("always_on_top/toggle_image").toString().isEmpty());
    QCOMPARE(conf.value("app/autorun").toStringList().size(), 1);
    QCOMPARE(conf.value("app/autorun_wait_0").toBool(), false);
}

QTEST_MAIN(DemoMediumTest)
#include "tst_demomedium.moc"
