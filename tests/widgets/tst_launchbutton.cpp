// Launch buttons: size, overlays in step with position, focus and checked
// state, check pictures, accessible names and ownership.

#include <QPointer>
#include <QState>
#include <QStateMachine>
#include <QTemporaryDir>
#include <QtTest>

#include "testsupport.h"
#include "widgets/launchbutton.h"

namespace {
class ToolTipCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::ToolTip;
        return false;
    }
};
} // namespace

class LaunchButtonTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch;
    QString icon; // 48 x 32
    QString big; // 64 x 64
    QString checkIcon, pressedIcon, hover;
    std::unique_ptr<QWidget> window;

    QString image(const QString &name, const QSize &size, const QColor &colour)
    {
        const QString path = scratch.filePath(name);
        QImage image(size, QImage::Format_ARGB32);
        image.fill(colour);
        image.save(path);
        return path;
    }

    ButtonConfig record(const QString &title = QString())
    {
        ButtonConfig config;
        config.loaded = true;
        config.fileName = QStringLiteral("tool.link");
        config.iconPath = icon;
        config.title = title;
        return config;
    }

    LaunchButton *make(ButtonConfig &config) { return new LaunchButton(&config, window.get()); }

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        QVERIFY(scratch.isValid());
        icon = image(QStringLiteral("icon.png"), QSize(48, 32), Qt::blue);
        big = image(QStringLiteral("big.png"), QSize(64, 64), Qt::green);
        checkIcon = image(QStringLiteral("check.png"), QSize(48, 32), Qt::red);
        pressedIcon = image(QStringLiteral("pressed.png"), QSize(48, 32), Qt::yellow);
        hover = image(QStringLiteral("hover.png"), QSize(40, 20), Qt::cyan);
    }
    void init()
    {
        window = std::make_unique<QWidget>();
        window->resize(400, 300);
    }
    void cleanup() { window.reset(); }

    void size_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QSize>("configured");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("picture size when none is configured") << QStringLiteral("big") << QSize(0, 0) << QSize(64, 64);
        QTest::newRow("one dimension configured") << QStringLiteral("big") << QSize(0, 40) << QSize(0, 40);
        QTest::newRow("configured size wins") << QStringLiteral("big") << QSize(30, 20) << QSize(30, 20);
        QTest::newRow("missing picture") << QStringLiteral("none") << QSize(0, 0) << QSize(0, 0);
    }
    void size()
    {
        QFETCH(QString, picture);
        QFETCH(QSize, configured);
        QFETCH(QSize, expected);
        ButtonConfig config = record();
        config.iconPath = picture == QLatin1String("big") ? big : scratch.filePath(QStringLiteral("none.png"));
        config.width = configured.width();
        config.height = configured.height();
        if (picture != QLatin1String("big"))
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^UNABLE TO LOAD IMAGE ")));
        LaunchButton *button = make(config);
        QCOMPARE(button->size(), expected);
        QCOMPARE(button->iconOverlayWidget()->size(), expected);
        QVERIFY(!button->isVisible());
    }

    void overlaysFollowTheButton()
    {
        ButtonConfig config = record(QStringLiteral("T"));
        config.titleOffsetW = 2.6;
        config.titleOffsetH = -3.4;
        config.hoverImage = hover;
        config.hoverX = 1.5;
        config.hoverY = 15.0;
        LaunchButton *button = make(config);
        // Qt sends the move events of hidden widgets only when they show.
        window->show();
        button->move(100, 50);
        button->setVisible(true);
        QCOMPARE(button->iconOverlayWidget()->pos(), QPoint(100, 50));
        QCOMPARE(button->titleOverlayWidget()->pos(), QPoint(103, 47));
        QCOMPARE(button->hoverOverlayWidget()->pos(), QPoint(102, 65));
        QVERIFY(button->iconOverlayWidget()->isVisibleTo(window.get()));
        QVERIFY(button->titleOverlayWidget()->isVisibleTo(window.get()));
        QVERIFY(!button->hoverOverlayWidget()->isVisibleTo(window.get()));
        button->move(10, 10);
        QCOMPARE(button->iconOverlayWidget()->pos(), QPoint(10, 10));
        button->setVisible(false);
        QVERIFY(!button->titleOverlayWidget()->isVisibleTo(window.get()));
    }

    // Focus shows the hover picture where there is one; otherwise it
    // highlights picture and title and posts the tool tip.
    void focus_data()
    {
        QTest::addColumn<bool>("withHover");
        QTest::newRow("highlight") << false;
        QTest::newRow("hover picture") << true;
    }
    void focus()
    {
        QFETCH(bool, withHover);
        ButtonConfig config = record(QStringLiteral("T"));
        config.blurAround = true;
        config.blurDistance = 6;
        if (withHover)
            config.hoverImage = hover;
        LaunchButton *button = make(config);
        window->show();
        button->setVisible(true);
        button->move(100, 50);
        ToolTipCounter tips;
        button->installEventFilter(&tips);
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(button, &in);
        QCoreApplication::processEvents(); // the posted tool tip
        GraphicOverlay *picture = button->iconOverlayWidget();
        QCOMPARE(picture->isHighlighted(), !withHover);
        QCOMPARE(button->titleOverlayWidget()->isHighlighted(), !withHover);
        QCOMPARE(tips.count, withHover ? 0 : 1);
        if (withHover) {
            QVERIFY(button->hoverOverlayWidget()->isVisibleTo(window.get()));
        } else {
            // The glow is centred on the button, also after a move.
            QCOMPARE(picture->geometry().center(), button->geometry().center());
            button->move(120, 60);
            QCOMPARE(picture->geometry().center(), button->geometry().center());
        }
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(button, &out);
        QVERIFY(!picture->isHighlighted());
        QCOMPARE(picture->size(), QSize(48, 32));
        QVERIFY(!button->titleOverlayWidget()->isHighlighted());
        if (withHover)
            QVERIFY(!button->hoverOverlayWidget()->isVisibleTo(window.get()));
    }

    void checkedState()
    {
        ButtonConfig config = record(QStringLiteral("Apri"));
        config.checkTitle = QStringLiteral("Chiudi");
        config.checkIconPath = checkIcon;
        config.firstAccessibleName = QStringLiteral("open");
        config.secondAccessibleName = QStringLiteral("close");
        config.secondAccessibleDescription = QStringLiteral("closes the menu");
        LaunchButton *button = make(config);
        button->setProperty("showChecked", true);
        QVERIFY(button->showChecked());
        QCOMPARE(button->iconOverlayWidget()->imagePath(), checkIcon);
        QCOMPARE(button->titleOverlayWidget()->text(), QStringLiteral("Chiudi"));
        QCOMPARE(button->accessibleName(), QStringLiteral("close"));
        QCOMPARE(button->accessibleDescription(), QStringLiteral("closes the menu"));

        button->setShowChecked(false);
        QCOMPARE(button->iconOverlayWidget()->imagePath(), icon);
        QCOMPARE(button->titleOverlayWidget()->text(), QStringLiteral("Apri"));
        QCOMPARE(button->accessibleName(), QStringLiteral("open"));
    }

    void checkPicture_data()
    {
        QTest::addColumn<QByteArray>("stateFile");
        QTest::addColumn<QString>("section");
        QTest::addColumn<bool>("pressed");
        QTest::newRow("section set") << QByteArray("[state]\non=1\n") << QStringLiteral("state/on") << true;
        QTest::newRow("section clear") << QByteArray("[state]\non=0\n") << QStringLiteral("state/on") << false;
        QTest::newRow("section missing") << QByteArray("[state]\n") << QStringLiteral("state/on") << false;
        QTest::newRow("file alone decides") << QByteArray() << QString() << true;
    }
    void checkPicture()
    {
        QFETCH(QByteArray, stateFile);
        QFETCH(QString, section);
        QFETCH(bool, pressed);
        // One file per row: settings files are cached per path and second.
        const QString statePath = scratch.filePath(QStringLiteral("state-%1.ini").arg(QTest::currentDataTag()));
        QVERIFY(TestSupport::writeFile(statePath, stateFile));
        ButtonConfig config = record();
        config.commandType = 9;
        config.pressedFilePath = statePath;
        config.pressedSection = section;
        config.pressedIcon = pressedIcon;
        LaunchButton *button = make(config);
        QCOMPARE(button->iconOverlayWidget()->imagePath(), pressed ? pressedIcon : icon);

        QFile::remove(statePath);
        button->refreshCheckImage();
        QCOMPARE(button->iconOverlayWidget()->imagePath(), icon);
    }

    void ownership()
    {
        ButtonConfig config = record();
        for (int priority : { 5, 1, 3 }) {
            auto child = std::make_unique<ButtonConfig>(record());
            child->priority = priority;
            child->fileName = QString::number(priority);
            config.children.push_back(std::move(child));
        }
        auto *button = make(config);
        QVERIFY(config.children.empty());
        QStringList order;
        for (LaunchButton *child : button->children()) {
            order << child->configuration().fileName;
            QCOMPARE(child->parentWidget(), window.get());
        }
        QCOMPARE(order, (QStringList { "1", "3", "5" }));

        QPointer<LaunchButton> child(button->children().front());
        QPointer<QWidget> picture(button->iconOverlayWidget());
        QPointer<QState> state(button->subMenu());
        delete button;
        QVERIFY(child.isNull());
        QVERIFY(picture.isNull());
        QVERIFY(state.isNull());

        // Once a machine holds the state it is the machine's; and the window
        // may go first, taking buttons and overlays with it.
        ButtonConfig again = record(QStringLiteral("T"));
        QStateMachine machine;
        QPointer<QState> owned(make(again)->subMenu());
        machine.addState(owned);
        window.reset();
        QVERIFY(!owned.isNull());
    }
};

QTEST_MAIN(LaunchButtonTest)
#include "tst_launchbutton.moc"
