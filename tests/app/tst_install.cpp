// cmake --install lays out a desktop installation: both programs, a menu
// entry that names the installed icon, and valid manual pages.
#include "testsupport.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class InstallTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void installs_data();
    void installs();
    void installedProgramHasNoRunPath();

private:
    QTemporaryDir prefix;
};

void InstallTest::initTestCase()
{
    TestSupport::isolate();
    QVERIFY(prefix.isValid());
    const TestSupport::Finished installed = TestSupport::runProgram(
        GATEPOINT_CMAKE_COMMAND, { "--install", GATEPOINT_BUILD_DIR, "--prefix", prefix.path() });
    QVERIFY2(installed.code == 0, qPrintable(installed.out + installed.err));
}

void InstallTest::installs_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("checker"); // a program that validates the file, when installed
    QTest::newRow("program") << "bin/gatepoint" << QString();
    QTest::newRow("skin tool") << "bin/gatepoint-skin" << QString();
    QTest::newRow("menu entry") << "share/applications/gatepoint.desktop"
                                << "desktop-file-validate";
    QTest::newRow("icon") << "share/icons/hicolor/scalable/apps/gatepoint.svg" << QString();
    QTest::newRow("manual") << "share/man/man1/gatepoint.1"
                            << "groff";
    QTest::newRow("skin tool manual") << "share/man/man1/gatepoint-skin.1"
                                      << "groff";
}

void InstallTest::installs()
{
    QFETCH(QString, path);
    QFETCH(QString, checker);
    const QFileInfo file(prefix.filePath(path));
    QVERIFY2(file.isFile() && file.size() > 0, qPrintable(file.filePath()));
    if (path.startsWith("bin/"))
        QVERIFY(file.isExecutable());
    if (path.endsWith(".desktop")) {
        QSettings entry(file.filePath(), QSettings::IniFormat);
        QCOMPARE(entry.value("Desktop Entry/Exec").toString(), QStringLiteral("gatepoint"));
        QVERIFY(QFileInfo::exists(prefix.filePath(
            "share/icons/hicolor/scalable/apps/" + entry.value("Desktop Entry/Icon").toString() + ".svg")));
    }
    if (checker.isEmpty())
        return;
    if (QStandardPaths::findExecutable(checker).isEmpty())
        QSKIP("the checker is not installed");
    const QStringList arguments
        = checker == "groff" ? QStringList { "-man", "-z", "-ww", file.filePath() } : QStringList { file.filePath() };
    const TestSupport::Finished checked = TestSupport::runProgram(checker, arguments);
    QCOMPARE(checked.code, 0);
    QVERIFY2(checked.err.trimmed().isEmpty() && checked.out.trimmed().isEmpty(), qPrintable(checked.out + checked.err));
}

void InstallTest::installedProgramHasNoRunPath()
{
    // The run path to a medium's bin/lib would let a folder beside the
    // installed program choose its libraries.
    const TestSupport::Finished dynamic
        = TestSupport::runProgram("readelf", { "-d", prefix.filePath("bin/gatepoint") });
    if (dynamic.code != 0)
        QSKIP("readelf is not installed");
    QVERIFY(dynamic.out.contains("(NEEDED)"));
    QVERIFY2(!dynamic.out.contains("RPATH") && !dynamic.out.contains("RUNPATH"), qPrintable(dynamic.out));
}

QTEST_MAIN(InstallTest)
#include "tst_install.moc"
