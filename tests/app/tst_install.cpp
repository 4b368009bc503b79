// cmake --install lays out a desktop installation: both programs without a
// run path, a valid menu entry naming the installed icon, valid manuals.
#include "testsupport.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class InstallTest final : public QObject {
    Q_OBJECT

private slots:
    void installsDesktopFiles();
};

void InstallTest::installsDesktopFiles()
{
    QTemporaryDir prefix;
    const TestSupport::Finished installed = TestSupport::runProgram(
        GATEPOINT_CMAKE_COMMAND, { "--install", GATEPOINT_BUILD_DIR, "--prefix", prefix.path() });
    QVERIFY2(installed.code == 0, qPrintable(installed.out + installed.err));
    for (const char *program : { "bin/gatepoint", "bin/gatepoint-skin" })
        QVERIFY2(QFileInfo(prefix.filePath(program)).isExecutable(), program);
    // A run path to bin/lib would let a folder beside /usr/bin choose the libraries.
    const QString dynamic = TestSupport::runProgram("readelf", { "-d", prefix.filePath("bin/gatepoint") }).out;
    QVERIFY2(dynamic.contains("(NEEDED)") && !dynamic.contains("RPATH") && !dynamic.contains("RUNPATH"),
        qPrintable(dynamic));

    const QString entry = prefix.filePath("share/applications/gatepoint.desktop");
    const QString icon = QSettings(entry, QSettings::IniFormat).value("Desktop Entry/Icon").toString();
    QVERIFY(QFileInfo::exists(prefix.filePath("share/icons/hicolor/scalable/apps/" + icon + ".svg")));
    const QList<QStringList> checks = { { "desktop-file-validate", entry },
        { "groff", "-man", "-z", "-ww", prefix.filePath("share/man/man1/gatepoint.1") },
        { "groff", "-man", "-z", "-ww", prefix.filePath("share/man/man1/gatepoint-skin.1") } };
    for (const QStringList &check : checks) {
        QVERIFY2(QFileInfo::exists(check.last()), qPrintable(check.last()));
        const TestSupport::Finished checked = TestSupport::runProgram(check.first(), check.mid(1));
        QVERIFY2(checked.code == 0 && (checked.out + checked.err).trimmed().isEmpty(),
            qPrintable(check.join(' ') + ": " + checked.out + checked.err));
    }
}

QTEST_MAIN(InstallTest)
#include "tst_install.moc"
