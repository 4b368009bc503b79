// Tool buttons: their own checked state on a left-button release, and the
// two kinds of command (open a folder, start a program).

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "testsupport.h"
#include "widgets/toolbutton.h"

class ToolButtonTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch;
    TestSupport::UrlCatcher urls;

private slots:
    void initTestCase() { TestSupport::isolate(); }

    // Without a folder nothing opens: not the program's folder either. (A
    // folder beside the program, made when missing: the demo's Documents
    // control in tst_userdata.)
    void openFolderWithoutFolderOpensNothing()
    {
        ToolButton button;
        button.setCommand(QStringLiteral("OPENFOLDER"), QStringList(), QString());
        QTest::mouseRelease(&button, Qt::LeftButton);
        QVERIFY(button.isOwnChecked());
        QVERIFY(urls.opened.isEmpty());
    }

    // The arguments reach the program as they are, in its own folder or the
    // configured one, which RESOURCEDIR names as well.
    void startsProgram_data()
    {
        QTest::addColumn<bool>("ownFolder");
        QTest::newRow("program's folder") << false;
        QTest::newRow("configured folder") << true;
    }
    void startsProgram()
    {
        QFETCH(bool, ownFolder);
        const QString out = scratch.filePath(QStringLiteral("probe-%1.jsonl").arg(ownFolder));
        qputenv("GP_PROBE_OUT", out.toLocal8Bit());
        const QString probe = TestSupport::helperPath(QStringLiteral("gp_probe"));
        const QStringList arguments { QStringLiteral("a b"), QStringLiteral("`touch x`;'") };
        ToolButton button;
        button.setCommand(probe, arguments, ownFolder ? scratch.path() : QString());
        QTest::mouseRelease(&button, Qt::LeftButton);

        const auto records = TestSupport::waitForProbeRecords(out, 1);
        QCOMPARE(records.size(), 1);
        const QString expected = QDir(ownFolder ? scratch.path() : QFileInfo(probe).path()).canonicalPath();
        QCOMPARE(records.first().arguments, arguments);
        QCOMPARE(QDir(records.first().cwd).canonicalPath(), expected);
        QCOMPARE(records.first().env.value(QStringLiteral("RESOURCEDIR")), QDir::toNativeSeparators(expected));
    }
};

QTEST_MAIN(ToolButtonTest)
#include "tst_toolbutton.moc"
