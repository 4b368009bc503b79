// cmake --install lays out a desktop installation: both programs without a
// run path, a valid menu entry naming the installed icon, valid manuals.
#include <QtTest>

#include "testsupport.h"

class InstallTest final : public QObject {
    Q_OBJECT

private slots:
    void installsDesktopFiles()
    {
        QTemporaryDir prefix;
        const auto run = [](const QString &program, const QStringList &arguments) {
            const TestSupport::Finished finished = TestSupport::runProgram(program, arguments);
            return (finished.code == 0 ? QString() : QStringLiteral("failed: "))
                + (finished.out + finished.err).trimmed();
        };
        const QString installed
            = run(GATEPOINT_CMAKE_COMMAND, { "--install", GATEPOINT_BUILD_DIR, "--prefix", prefix.path() });
        QVERIFY2(!installed.startsWith("failed"), qPrintable(installed));
        for (const char *program : { "bin/gatepoint", "bin/gatepoint-skin" })
            QVERIFY2(QFileInfo(prefix.filePath(program)).isExecutable(), program);
        // A run path to bin/lib would let a folder beside /usr/bin choose the libraries.
        const QString dynamic = run("readelf", { "-d", prefix.filePath("bin/gatepoint") });
        QVERIFY2(dynamic.contains("(NEEDED)") && !dynamic.contains("RPATH") && !dynamic.contains("RUNPATH"),
            qPrintable(dynamic));

        const QString entry = prefix.filePath("share/applications/gatepoint.desktop");
        const QString icon = QSettings(entry, QSettings::IniFormat).value("Desktop Entry/Icon").toString();
        QVERIFY(QFileInfo::exists(prefix.filePath("share/icons/hicolor/scalable/apps/" + icon + ".svg")));
        // Valid files, with nothing to say about them.
        QCOMPARE(run("desktop-file-validate", { entry }), QString());
        for (const char *manual : { "share/man/man1/gatepoint.1", "share/man/man1/gatepoint-skin.1" })
            QCOMPARE(run("groff", { "-man", "-z", "-ww", prefix.filePath(manual) }), QString());
    }
};

QTEST_GUILESS_MAIN(InstallTest)
#include "tst_install.moc"
