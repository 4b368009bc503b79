#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include "testsupport.h"
#include "widgets/launchbutton.h"

namespace {
const auto isBlue = [](QRgb p) { return qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60; };
const auto isWhite = [](QRgb p) { return qRed(p) > 245 && qGreen(p) > 245 && qBlue(p) > 245; };
const auto isReddish = [](QRgb p) { return qRed(p) > qBlue(p) + 20 && qRed(p) > qGreen(p) + 20; };
int count(const QImage &image, const QRect &area, const std::function<bool(QRgb)> &test)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += test(image.pixel(x, y));
    return n;
}
} // namespace

class LaunchButtonTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch;
    QString icon; // 48 x 32
    QString pressedIcon;
    QString probe;
    QString probeOut;
    std::unique_ptr<QWidget> window;

    QString file(const QString &relative, const QByteArray &content = "x")
    {
        const QString path = scratch.filePath(relative);
        TestSupport::writeFile(path, content);
        return QDir::toNativeSeparators(path);
    }

    // folder: 1 for a folder without a command of its own, 2 for one with.
    LaunchButton *button(bool massive = false, int dropType = 1, int folder = 0)
    {
        ButtonConfig config = record();
        config.acceptDrops = true;
        config.commandType = 1;
        config.commandPath = probe;
        config.clickArgs = QStringList { QStringLiteral("click") };
        config.dropType = dropType;
        config.dropPath = probe;
        config.dropArgs = QStringList { QStringLiteral("-d") };
        config.massive = massive;
        config.isFolder = folder > 0;
        if (folder)
            config.children.push_back(std::make_unique<ButtonConfig>(record()));
        if (folder == 1)
            config.commandPath.clear();
        auto *b = new LaunchButton(&config, window.get());
        b->resize(40, 40);
        b->setVisible(true);
        return b;
    }

    // A drag's entry carrying local files ("https:" entries stay links), and
    // when it was accepted and a drop is asked for, the drop: Qt hands the
    // drop only to a widget that accepted the entry.
    static bool drag(QWidget *target, const QStringList &paths, bool andDrop = false, const QString &text = QString())
    {
        QMimeData data;
        QList<QUrl> list;
        for (const QString &path : paths)
            list << (path.startsWith(QLatin1String("https:")) ? QUrl(path) : QUrl::fromLocalFile(path));
        if (!list.isEmpty())
            data.setUrls(list);
        if (!text.isEmpty())
            data.setText(text);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.ignore();
        QCoreApplication::sendEvent(target, &enter);
        if (andDrop && enter.isAccepted()) {
            QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &event);
        }
        return enter.isAccepted();
    }

    QStringList onlyRun()
    {
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        return records.size() == 1 ? records.first().arguments : QStringList { QStringLiteral("<no single run>") };
    }

    ButtonConfig record(const QString &title = QString())
    {
        ButtonConfig config;
        config.loaded = true;
        config.iconPath = icon;
        config.title = title;
        return config;
    }

    LaunchButton *make(ButtonConfig &config) { return new LaunchButton(&config, window.get()); }
    // What the window shows where the overlay lies.
    QImage shot(QWidget *overlay) { return window->grab(overlay->geometry()).toImage(); }

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        QVERIFY(scratch.isValid());
        icon = file(QStringLiteral("icon.png"), TestSupport::pngBytes(48, 32, Qt::blue));
        pressedIcon = file(QStringLiteral("pressed.png"), TestSupport::pngBytes(48, 32, Qt::yellow));
        probe = TestSupport::helperPath(QStringLiteral("gp_probe"));
        qputenv("GP_STATE_FOLDER", scratch.path().toUtf8());
    }
    void init()
    {
        // Qt delivers drag and drop events only to visible widgets. White, so
        // that a grab shows what an overlay paints over it.
        window = std::make_unique<QWidget>();
        window->resize(400, 300);
        QPalette palette;
        palette.setColor(QPalette::Window, Qt::white);
        window->setPalette(palette);
        window->setAutoFillBackground(true);
        window->show();
        probeOut = scratch.filePath(QStringLiteral("probe-%1.jsonl").arg(QTest::currentTestFunction()));
        if (QTest::currentDataTag())
            probeOut += QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'));
        QFile::remove(probeOut);
        qputenv("GP_PROBE_OUT", probeOut.toLocal8Bit());
    }
    void cleanup() { window.reset(); }

    // Focus highlights the picture (here a glow, which stays centred on the
    // button as it moves) and the title; focus out puts both back.
    void focus()
    {
        ButtonConfig config = record(QStringLiteral("T"));
        config.titleOffsetH = 80; // clear of the picture
        config.radius = 5;
        config.blurX = config.blurY = 5;
        config.blurColor = Qt::red;
        config.blurDistance = 6;
        config.blurAround = true;
        LaunchButton *button = make(config);
        button->move(100, 50);
        button->setVisible(true);
        GraphicOverlay *picture = button->iconOverlayWidget();
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(button, &in);
        QVERIFY(button->titleOverlayWidget()->isHighlighted());
        QVERIFY(count(shot(picture), QRect(0, 6, 5, 32), isReddish) > 20);
        button->move(120, 60);
        QCOMPARE(picture->geometry().center(), button->geometry().center());
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(button, &out);
        QVERIFY(!button->titleOverlayWidget()->isHighlighted());
        QCOMPARE(picture->geometry(), button->geometry());
    }

    // A picture smaller than its button sits unscaled in its middle; one that
    // goes away keeps the size and paints nothing.
    void pictureAndTitle()
    {
        ButtonConfig config = record(QStringLiteral("X\n\nX"));
        config.width = config.height = 64;
        config.titleOffsetH = 80;
        config.titleColor = Qt::red;
        config.titleFont.setPixelSize(10);
        config.titleLineSpace = 15;
        // A shadow set up, though not shown: the title drawn ahead leaves
        // room for it as the one drawn on the spot does.
        config.blurColor = Qt::black;
        config.radius = 1;
        config.blurX = config.blurY = 4;
        LaunchButton *button = make(config);
        button->setVisible(true);
        GraphicOverlay *picture = button->iconOverlayWidget();
        const QImage centred = shot(picture);
        QCOMPARE(count(centred, centred.rect(), isBlue), 48 * 32);
        QCOMPARE(count(centred, QRect(8, 16, 48, 32), isBlue), 48 * 32);
        picture->setImage(QString());
        QCOMPARE(picture->size(), QSize(64, 64));
        QCOMPARE(count(shot(picture), picture->rect(), isWhite), 64 * 64);

        // The first paint takes the title drawn ahead on another thread: it
        // must look as one drawn on the spot, and a title changed before
        // that paint shows its new text.
        TextOverlay *title = button->titleOverlayWidget();
        const QImage lines = shot(title);
        QCOMPARE(shot(title), lines);
        title->setVisible(false);
        title->setVisible(true);
        title->setText(QStringLiteral("Y"));
        QVERIFY(shot(title) != lines);
        title->setText(QStringLiteral("X\n\nX"));
        QCOMPARE(shot(title), lines);
    }

    // The state file, named by placeholder, decides the picture. It is read
    // anew on every refresh: a rewrite that keeps its size and time stamp
    // (FAT keeps two-second stamps) still shows, and without the file the
    // plain picture comes back.
    void checkPicture_data()
    {
        QTest::addColumn<QByteArray>("state");
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<bool>("pressed");
        QTest::newRow("section set") << QByteArray("[state]\non=1\n") << QByteArray("state/on") << true;
        QTest::newRow("file alone decides") << QByteArray() << QByteArray() << true;
    }
    void checkPicture()
    {
        QFETCH(QByteArray, state);
        QFETCH(QByteArray, section);
        QFETCH(bool, pressed);
        const QByteArray name = "state-" + QByteArray(QTest::currentDataTag()).replace(' ', '_') + ".ini";
        const QString statePath = file(QString::fromLatin1(name), state);
        const QString link = file(QStringLiteral("check.link"),
            "[properties]\nicon=icon.png\npressedicon=pressed.png\npressedfilepath=$GP_STATE_FOLDER/" + name
                + "\npressedsection=" + section + "\n[click]\ntype=9\n");
        ButtonConfig config;
        config.readConfiguration(link, true);
        LaunchButton *button = make(config);
        QCOMPARE(button->iconOverlayWidget()->imagePath(), pressed ? pressedIcon : icon);
        if (state.contains("on=")) {
            const QDateTime stamp = QFileInfo(statePath).lastModified();
            QFile rewritten(file(QString::fromLatin1(name), pressed ? "[state]\non=0\n" : "[state]\non=1\n"));
            QVERIFY(rewritten.open(QIODevice::ReadWrite));
            QVERIFY(rewritten.setFileTime(stamp, QFileDevice::FileModificationTime));
            rewritten.close();
            button->refreshCheckImage();
            QCOMPARE(button->iconOverlayWidget()->imagePath(), pressed ? icon : pressedIcon);
        }
        QFile::remove(statePath);
        button->refreshCheckImage();
        QCOMPARE(button->iconOverlayWidget()->imagePath(), icon);
    }

    // The one place where pointer buttons and keys meet the command: the
    // left button, Return, the keypad's Enter and Space start it, once per
    // press (a held key's repeats start nothing); the right button does not.
    // A folder button toggles its menu as well, and runs a command only when
    // it has one: then the plain button clicked after it is the only start
    // the probe sees.
    void clickAndKeys_data()
    {
        QTest::addColumn<int>("key"); // 0: a mouse press
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("mouseButton");
        QTest::addColumn<int>("folder");
        QTest::newRow("left button") << 0 << 0 << int(Qt::LeftButton) << 0;
        QTest::newRow("right button") << 0 << 0 << int(Qt::RightButton) << 0;
        QTest::newRow("Return") << int(Qt::Key_Return) << 0 << 0 << 0;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 0 << 0;
        QTest::newRow("Space") << int(Qt::Key_Space) << 0 << 0 << 0;
        QTest::newRow("folder with a command") << 0 << 0 << int(Qt::LeftButton) << 2;
        QTest::newRow("folder without one") << int(Qt::Key_Return) << 0 << 0 << 1;
    }
    void clickAndKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, mouseButton);
        QFETCH(int, folder);
        LaunchButton *b = button(false, 1, folder);
        QSignalSpy starting(b, &LaunchButton::startProcess);
        QSignalSpy toggles(b, &QAbstractButton::clicked);
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
        QCOMPARE(toggles.count(), folder ? 1 : 0);
        if (!starts)
            return;
        if (folder == 1)
            QTest::mousePress(button(), Qt::LeftButton);
        QCOMPARE(onlyRun(), QStringList { QStringLiteral("click") });
        QTRY_COMPARE(done.count(), folder == 1 ? 0 : 1);
    }

    // What reaches the drop command. A drop that hands over nothing, refused
    // at the entry (Qt then never hands the button the drop) or not, starts
    // nothing: no done(), and the plain drop after it is the only start the
    // probe sees.
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
        QTest::newRow("massive one folder")
            << true << 1 << QStringList { folder } << QString() << QStringList { "-d", "--rootdir", folder };
        QTest::newRow("base64") << true << 11 << QStringList { accented } << QString()
                                << QStringList { "-d", "BASE64LS1tYXNzaXZlLWlucHV0", encoded };
        QTest::newRow("link and file") << true << 1 << QStringList { link, a } << QString()
                                       << QStringList { "-d", "--massive-input", a };
        QTest::newRow("text only") << true << 1 << QStringList() << QStringLiteral("/etc/passwd") << QStringList();
        QTest::newRow("massive folders without files") << true << 1 << empty << QString() << QStringList();
    }
    void drops()
    {
        QFETCH(bool, massive);
        QFETCH(int, dropType);
        QFETCH(QStringList, dropped);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        LaunchButton *target = button(massive, dropType);
        QSignalSpy done(target, &LaunchButton::done);
        drag(target, dropped, true, text);
        // A started chain has queued its done() by the time the drop returns.
        QCoreApplication::processEvents();
        QCOMPARE(done.count(), expected.isEmpty() ? 0 : 1);
        if (expected.isEmpty()) {
            const QString y = file(QStringLiteral("y.txt"));
            QVERIFY(drag(button(), QStringList { y }, true));
            expected = QStringList { "-d", y };
        }
        QCOMPARE(onlyRun(), expected);
    }
};

QTEST_MAIN(LaunchButtonTest)
#include "tst_launchbutton.moc"
