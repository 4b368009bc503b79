// Tool buttons: their own checked state and pictures on left-button
// releases, and the two kinds of command (open a folder, start a program).

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "testsupport.h"
#include "widgets/toolbutton.h"

class ToolButtonTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch;
    TestSupport::UrlCatcher urls;

    static QPixmap filled(const QColor &colour)
    {
        QPixmap pixmap(20, 10);
        pixmap.fill(colour);
        return pixmap;
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        QVERIFY(scratch.isValid());
    }
    void init() { urls.opened.clear(); }

    void releasesToggleAndSwapPictures()
    {
        ToolButton button;
        button.setUncheckedPixmap(filled(Qt::red), true);
        button.setCheckedPixmap(filled(Qt::green), false);
        button.setPosition(QPointF(10.7, 3.2));
        QCOMPARE(button.geometry(), QRect(10, 3, 20, 10));
        QSignalSpy clicks(&button, &QAbstractButton::clicked);
        QSignalSpy toggles(&button, &QAbstractButton::toggled);

        QTest::mouseRelease(&button, Qt::RightButton);
        QCOMPARE(clicks.count(), 0);
        QVERIFY(!button.isOwnChecked());

        QTest::mouseRelease(&button, Qt::LeftButton);
        QCOMPARE(button.pixmap().toImage(), filled(Qt::green).toImage());
        QTest::mouseRelease(&button, Qt::LeftButton);
        QCOMPARE(button.pixmap().toImage(), filled(Qt::red).toImage());
        QCOMPARE(clicks.count(), 2);
        QCOMPARE(clicks.at(0).at(0), QVariant(false));
        QCOMPARE(toggles.count(), 2);
        QCOMPARE(toggles.at(0).at(0), QVariant(true));
        QCOMPARE(toggles.at(1).at(0), QVariant(false));
    }

    // A relative folder lies beside the executable and is made when missing.
    // (Absolute folders: tst_opencommands.)
    void openFolderBesideTheExecutable()
    {
        const QString name = QStringLiteral("docs-%1").arg(QCoreApplication::applicationPid());
        const QString folder = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(name);
        QDir(folder).removeRecursively();
        ToolButton button;
        button.setCommand(QStringLiteral("OPENFOLDER"), QStringList { name }, QString());
        QTest::mouseRelease(&button, Qt::LeftButton);
        const bool created = QFileInfo(folder).isDir();
        QDir(folder).removeRecursively();
        QVERIFY(created);
        QCOMPARE(urls.opened, QList<QUrl> { QUrl::fromLocalFile(folder) });
    }

    void openFolderWithoutFolderOpensNothing()
    {
        ToolButton button;
        button.setCommand(QStringLiteral("OPENFOLDER"), QStringList {}, QString());
        QSignalSpy toggles(&button, &QAbstractButton::toggled);
        QTest::mouseRelease(&button, Qt::LeftButton);
        QCOMPARE(toggles.count(), 1);
        QVERIFY(urls.opened.isEmpty());
    }

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
        QFile::remove(out);
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
