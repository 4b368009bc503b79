// Launch button input: clicks, Return, drops of files and folders, the
// drop sub-menu filter and hand-over, checked against the probe program.

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

#include "testsupport.h"
#include "widgets/launchbutton.h"

class LaunchButtonInputTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch;
    QString probe;
    QString probeOut;
    std::unique_ptr<QWidget> window;

    QString file(const QString &relative)
    {
        const QString path = scratch.filePath(relative);
        TestSupport::writeFile(path, "x");
        return QDir::toNativeSeparators(path);
    }

    LaunchButton *button(bool massive = false, int dropType = 1)
    {
        ButtonConfig config;
        config.loaded = true;
        config.fileName = QStringLiteral("probe.link");
        config.acceptDrops = true;
        config.commandType = 1;
        config.commandPath = probe;
        config.clickArgs = QStringList { QStringLiteral("click") };
        config.dropType = dropType;
        config.dropPath = probe;
        config.dropArgs = QStringList { QStringLiteral("-d") };
        config.massive = massive;
        auto *b = new LaunchButton(&config, window.get());
        b->resize(40, 40);
        b->setVisible(true);
        return b;
    }

    // As in a real drag: Qt hands the drop to the widget that accepted the
    // drag's entry.
    static void drop(QWidget *target, const QStringList &paths)
    {
        dragEnter(target, paths);
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    }

    static bool dragEnter(QWidget *target, const QStringList &paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        QDragEnterEvent event(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        event.ignore();
        QCoreApplication::sendEvent(target, &event);
        return event.isAccepted();
    }

    QStringList onlyRun()
    {
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        return records.size() == 1 ? records.first().arguments : QStringList { QStringLiteral("<no single run>") };
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        QVERIFY(scratch.isValid());
        probe = TestSupport::helperPath(QStringLiteral("gp_probe"));
        QVERIFY(QFileInfo::exists(probe));
    }
    void init()
    {
        // Qt delivers drag and drop events only to visible widgets.
        window = std::make_unique<QWidget>();
        window->resize(300, 200);
        window->show();
        probeOut = scratch.filePath(QStringLiteral("probe-%1.jsonl").arg(QTest::currentTestFunction()));
        if (QTest::currentDataTag())
            probeOut += QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'));
        QFile::remove(probeOut);
        qputenv("GP_PROBE_OUT", probeOut.toLocal8Bit());
    }
    void cleanup() { window.reset(); }

    void clickAndReturnStartTheCommand()
    {
        LaunchButton *b = button();
        QSignalSpy starts(b, &LaunchButton::startProcess);
        QSignalSpy done(b, &LaunchButton::done);
        QTest::mousePress(b, Qt::RightButton);
        QCOMPARE(starts.count(), 0);
        QTest::mousePress(b, Qt::LeftButton);
        QCOMPARE(starts.count(), 1);
        QCOMPARE(onlyRun(), QStringList { QStringLiteral("click") });
        QTRY_COMPARE(done.count(), 1);

        QTest::keyClick(b, Qt::Key_Return);
        QCOMPARE(starts.count(), 2);
        QCOMPARE(TestSupport::waitForProbeRecords(probeOut, 2).size(), 2);
    }

    void folderButtonTogglesItsMenu()
    {
        ButtonConfig config;
        config.isFolder = true;
        config.commandType = 1;
        config.children.push_back(std::make_unique<ButtonConfig>());
        auto *withoutCommand = new LaunchButton(&config, window.get());
        QSignalSpy toggles(withoutCommand, &QAbstractButton::clicked);
        QTest::mousePress(withoutCommand, Qt::LeftButton);
        QCOMPARE(toggles.count(), 1);

        ButtonConfig commanded;
        commanded.isFolder = true;
        commanded.commandType = 1;
        commanded.commandPath = probe;
        commanded.clickArgs = QStringList { QStringLiteral("folder") };
        commanded.children.push_back(std::make_unique<ButtonConfig>());
        auto *withCommand = new LaunchButton(&commanded, window.get());
        QSignalSpy toggles2(withCommand, &QAbstractButton::clicked);
        QTest::mousePress(withCommand, Qt::LeftButton);
        QCOMPARE(toggles2.count(), 1);
        // Only the button with a command ran anything.
        QCOMPARE(onlyRun(), QStringList { QStringLiteral("folder") });
    }

    void drops_data()
    {
        QTest::addColumn<bool>("massive");
        QTest::addColumn<QStringList>("dropped");
        QTest::addColumn<QStringList>("expected");
        const QString a = file(QStringLiteral("files/a.txt"));
        const QString b = file(QStringLiteral("files/b b.txt"));
        const QString c = file(QStringLiteral("folder/c.txt"));
        file(QStringLiteral("folder/sub/deep.txt"));
        const QString folder = QDir::toNativeSeparators(scratch.filePath(QStringLiteral("folder")));
        QTest::newRow("files") << false << QStringList { a, b } << QStringList { "-d", a, b };
        QTest::newRow("folder gives its plain files") << false << QStringList { folder } << QStringList { "-d", c };
        QTest::newRow("massive files") << true << QStringList { a, b } << QStringList { "-d", "--massive-input", a, b };
        QTest::newRow("massive one file") << true << QStringList { a } << QStringList { "-d", "--massive-input", a };
        QTest::newRow("massive one folder")
            << true << QStringList { folder } << QStringList { "-d", "--rootdir", folder };
    }
    void drops()
    {
        QFETCH(bool, massive);
        QFETCH(QStringList, dropped);
        QFETCH(QStringList, expected);
        drop(button(massive), dropped);
        QCOMPARE(onlyRun(), expected);
    }

    void base64Drop()
    {
        const QString a = file(QStringLiteral("è file.pdf"));
        drop(button(true, 11), QStringList { a });
        const QString encoded = QString::fromLatin1(a.toUtf8().toBase64());
        QCOMPARE(onlyRun(), (QStringList { "-d", "BASE64LS1tYXNzaXZlLWlucHV0", QStringLiteral("BASE64") + encoded }));
    }

    void refusedDrops()
    {
        LaunchButton *b = button();
        // A drag without files is refused at its entry: Qt never hands the
        // button its drop.
        QVERIFY(!dragEnter(b, QStringList {}));

        ButtonConfig config;
        config.acceptDrops = true;
        auto *noDrop = new LaunchButton(&config, window.get());
        noDrop->setVisible(true);
        // Without a drop command the drag is refused, so Qt never hands the
        // button the drop.
        QVERIFY(!dragEnter(noDrop, QStringList { file(QStringLiteral("x.txt")) }));
        drop(noDrop, QStringList { file(QStringLiteral("x.txt")) });

        // A folder holding only sub-folders gives nothing to run; the next
        // drop is the only one the probe sees.
        QDir(scratch.path()).mkpath(QStringLiteral("empty/sub"));
        drop(b, QStringList { scratch.filePath(QStringLiteral("empty")) });
        const QString y = file(QStringLiteral("y.txt"));
        drop(b, QStringList { y });
        QCOMPARE(onlyRun(), (QStringList { "-d", y }));
    }

    void filteredDragOpensMenu_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("dragged");
        QTest::addColumn<bool>("opens");
        const QString upper = file(QStringLiteral("doc.PDF"));
        const QString lower = file(QStringLiteral("doc.pdf"));
        QTest::newRow("suffix in any case") << QStringLiteral("ext:pdf") << QStringList { upper } << true;
        QTest::newRow("any file") << QStringLiteral("*") << QStringList { upper, lower } << true;
        QTest::newRow("first part is case-sensitive") << QStringLiteral("EXT:pdf") << QStringList { lower } << false;
        QTest::newRow("no suffix given") << QStringLiteral("ext") << QStringList { lower } << false;
        QTest::newRow("two files") << QStringLiteral("ext:pdf") << QStringList { upper, lower } << false;
        QTest::newRow("other suffix") << QStringLiteral("ext:pdf") << QStringList { file(QStringLiteral("a.txt")) }
                                      << false;
    }
    void filteredDragOpensMenu()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, dragged);
        QFETCH(bool, opens);
        ButtonConfig config;
        config.fileName = QStringLiteral("menu.link");
        config.acceptDrops = true;
        config.dropOpensMenu = true;
        config.dropFilter = filter;
        auto entry = std::make_unique<ButtonConfig>();
        entry->commandType = 1;
        entry->commandPath = probe;
        config.children.push_back(std::move(entry));
        auto *b = new LaunchButton(&config, window.get());
        b->setVisible(true);
        QSignalSpy toggles(b, &QAbstractButton::clicked);

        QCOMPARE(dragEnter(b, dragged), opens);
        QCOMPARE(b->isDropMenuOpen(), opens);
        QCOMPARE(toggles.count(), opens ? 1 : 0);
        if (!opens)
            return;
        // While the menu is open further drags are left alone.
        QVERIFY(!dragEnter(b, dragged));
        QCOMPARE(toggles.count(), 1);
        // The entry's done() closes the menu the drag opened.
        QTest::mousePress(b->children().front(), Qt::LeftButton);
        QTRY_VERIFY(!b->isDropMenuOpen());
        QCOMPARE(toggles.count(), 2);
    }

    void dragOverShakesAndLeaveRestores()
    {
        ButtonConfig config;
        config.fileName = QStringLiteral("shake.link");
        config.title = QStringLiteral("T");
        config.dropPath = probe;
        config.acceptDrops = true;
        auto *b = new LaunchButton(&config, window.get());
        b->setVisible(true);
        b->move(30, 30);
        b->setHomePosition(QPoint(30, 30));
        QVERIFY(dragEnter(b, QStringList { file(QStringLiteral("z.txt")) }));
        QAbstractAnimation *shake = b->iconOverlayWidget()->animation(QStringLiteral("drag"));
        QCOMPARE(shake->state(), QAbstractAnimation::Running);
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(b, &leave);
        QCOMPARE(shake->state(), QAbstractAnimation::Stopped);
        QCOMPARE(b->iconOverlayWidget()->pos(), QPoint(30, 30));
    }

    void handOver()
    {
        LaunchButton *b = button();
        const QString pidFile = scratch.filePath(QStringLiteral("probe.pid"));
        const QString a = file(QStringLiteral("handed.txt"));
        b->handOver(QStringList { a }, pidFile);
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().arguments, QStringList { a });
        QFile pid(pidFile);
        QVERIFY(pid.open(QIODevice::ReadOnly));
        QVERIFY(pid.readAll().trimmed().toLongLong() > 0);
    }
};

QTEST_MAIN(LaunchButtonInputTest)
#include "tst_launchbuttoninput.moc"
