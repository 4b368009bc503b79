// Launch button input: clicks and keys, drops of files and folders and of
// what a drag may carry besides files (a browser link, a text), and the drop
// sub-menu, checked against the probe program. Only local files reach the
// drop command, and a drop that hands over nothing starts nothing.

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
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

    // Local files as a drag carries them; "https:" entries stay links.
    static void urls(QMimeData &data, const QStringList &paths)
    {
        QList<QUrl> list;
        for (const QString &path : paths)
            list << (path.startsWith(QLatin1String("https:")) ? QUrl(path) : QUrl::fromLocalFile(path));
        if (!list.isEmpty())
            data.setUrls(list);
    }
    static bool dragEnter(QWidget *target, const QStringList &paths)
    {
        QMimeData data;
        urls(data, paths);
        QDragEnterEvent event(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        event.ignore();
        QCoreApplication::sendEvent(target, &event);
        return event.isAccepted();
    }
    // As in a real drag: Qt hands the drop only to a widget that accepted
    // the drag's entry.
    static bool drop(QWidget *target, const QStringList &paths, const QString &text = QString())
    {
        QMimeData data;
        urls(data, paths);
        if (!text.isEmpty())
            data.setText(text);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.ignore();
        QCoreApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
        return true;
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

    // The one place where pointer buttons and keys meet the command: the
    // left button, Return, the keypad's Enter and Space start it, once per
    // press (a held key's repeats start nothing); the right button does not.
    void clickAndKeys_data()
    {
        QTest::addColumn<int>("key"); // 0: a mouse press
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("mouseButton");
        QTest::newRow("left button") << 0 << 0 << int(Qt::LeftButton);
        QTest::newRow("right button") << 0 << 0 << int(Qt::RightButton);
        QTest::newRow("Return") << int(Qt::Key_Return) << 0 << 0;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 0;
        QTest::newRow("Space") << int(Qt::Key_Space) << 0 << 0;
    }
    void clickAndKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, mouseButton);
        LaunchButton *b = button();
        QSignalSpy starting(b, &LaunchButton::startProcess);
        QSignalSpy done(b, &LaunchButton::done);
        if (key) {
            QTest::keyClick(b, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            QKeyEvent repeat(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), QString(), true);
            QCoreApplication::sendEvent(b, &repeat);
        } else {
            QTest::mousePress(b, Qt::MouseButton(mouseButton));
        }
        // startProcess() is emitted in the event handler itself.
        const bool starts = mouseButton != Qt::RightButton;
        QCOMPARE(starting.count(), starts ? 1 : 0);
        if (!starts)
            return;
        QCOMPARE(onlyRun(), QStringList { QStringLiteral("click") });
        QTRY_COMPARE(done.count(), 1);
    }

    // A folder button toggles its menu on a click and runs its command
    // only when it has one; the probe sees only the second button's run.
    void folderButtonTogglesItsMenu()
    {
        for (const QString &path : { QString(), probe }) {
            ButtonConfig config;
            config.isFolder = true;
            config.commandType = 1;
            config.commandPath = path;
            config.clickArgs = QStringList { QStringLiteral("folder") };
            config.children.push_back(std::make_unique<ButtonConfig>());
            auto *folder = new LaunchButton(&config, window.get());
            QSignalSpy toggles(folder, &QAbstractButton::clicked);
            QTest::mousePress(folder, Qt::LeftButton);
            QCOMPARE(toggles.count(), 1);
        }
        QCOMPARE(onlyRun(), QStringList { QStringLiteral("folder") });
    }

    // What reaches the drop command. A drop that hands over nothing, refused
    // at the entry (Qt then never hands the button the drop) or not, starts
    // nothing: the plain drop after it is the only start the probe sees.
    void drops_data()
    {
        QTest::addColumn<bool>("massive");
        QTest::addColumn<int>("dropType");
        QTest::addColumn<QStringList>("dropped");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected"); // empty: nothing starts
        const QString a = file(QStringLiteral("files/a.txt"));
        const QString b = file(QStringLiteral("files/b b.txt"));
        const QString c = file(QStringLiteral("folder/c.txt"));
        file(QStringLiteral("folder/sub/deep.txt"));
        const QString folder = QDir::toNativeSeparators(scratch.filePath(QStringLiteral("folder")));
        const QString accented = file(QStringLiteral("è file.pdf"));
        const QString encoded = QStringLiteral("BASE64") + QString::fromLatin1(accented.toUtf8().toBase64());
        QDir(scratch.path()).mkpath(QStringLiteral("empty1/sub"));
        QDir(scratch.path()).mkpath(QStringLiteral("empty2"));
        const QStringList empty { scratch.filePath(QStringLiteral("empty1")),
            scratch.filePath(QStringLiteral("empty2")) };
        const QString link = QStringLiteral("https://example.org/a?$top=5");
        QTest::newRow("files") << false << 1 << QStringList { a, b } << QString() << QStringList { "-d", a, b };
        QTest::newRow("folder gives its plain files")
            << false << 1 << QStringList { folder } << QString() << QStringList { "-d", c };
        QTest::newRow("massive files") << true << 1 << QStringList { a, b } << QString()
                                       << QStringList { "-d", "--massive-input", a, b };
        QTest::newRow("massive one folder")
            << true << 1 << QStringList { folder } << QString() << QStringList { "-d", "--rootdir", folder };
        QTest::newRow("base64") << true << 11 << QStringList { accented } << QString()
                                << QStringList { "-d", "BASE64LS1tYXNzaXZlLWlucHV0", encoded };
        QTest::newRow("link and file") << true << 1 << QStringList { link, a } << QString()
                                       << QStringList { "-d", "--massive-input", a };
        QTest::newRow("nothing") << false << 1 << QStringList() << QString() << QStringList();
        QTest::newRow("web link") << false << 1 << QStringList { link } << QString() << QStringList();
        QTest::newRow("massive web link") << true << 1 << QStringList { link } << QString() << QStringList();
        QTest::newRow("text only") << true << 1 << QStringList() << QStringLiteral("/etc/passwd") << QStringList();
        QTest::newRow("folders without files") << false << 1 << empty << QString() << QStringList();
        QTest::newRow("massive folders without files") << true << 1 << empty << QString() << QStringList();
    }
    void drops()
    {
        QFETCH(bool, massive);
        QFETCH(int, dropType);
        QFETCH(QStringList, dropped);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        drop(button(massive, dropType), dropped, text);
        if (expected.isEmpty()) {
            const QString y = file(QStringLiteral("y.txt"));
            QVERIFY(drop(button(), QStringList { y }));
            expected = QStringList { "-d", y };
        }
        QCOMPARE(onlyRun(), expected);
    }

    // Without a drop command the drag is refused.
    void noDropCommandRefusesTheDrag()
    {
        ButtonConfig config;
        config.acceptDrops = true;
        auto *noDrop = new LaunchButton(&config, window.get());
        noDrop->setVisible(true);
        QVERIFY(!dragEnter(noDrop, QStringList { file(QStringLiteral("x.txt")) }));
    }

    void filteredDragOpensMenu_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("dragged");
        QTest::addColumn<bool>("opens");
        const QString upper = file(QStringLiteral("doc.PDF"));
        // The matching rules themselves are the vocabulary's table
        // (tst_buttonconfig); here only that the drag follows them.
        QTest::newRow("suffix in any case") << QStringLiteral("ext:pdf") << QStringList { upper } << true;
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
};

QTEST_MAIN(LaunchButtonInputTest)
#include "tst_launchbuttoninput.moc"
