// What a drag may carry besides files: a browser link, a text, folders
// without files. Only local files reach the drop command, and a drop that
// hands over nothing starts nothing, massive or not.
#include <QtTest>

#include <QDropEvent>
#include <QMimeData>

#include "testsupport.h"
#include "config/buttonconfig.h"
#include "widgets/launchbutton.h"

class TestDrops : public QObject {
    Q_OBJECT

    QTemporaryDir scratch;
    QString probe;
    QString probeOut;
    std::unique_ptr<QWidget> window;

    LaunchButton *button(bool massive)
    {
        ButtonConfig config;
        config.loaded = true;
        config.fileName = QStringLiteral("drop.link");
        config.acceptDrops = true;
        config.dropType = 1;
        config.dropPath = probe;
        config.dropArgs = QStringList { QStringLiteral("-d") };
        config.massive = massive;
        auto *b = new LaunchButton(&config, window.get());
        b->resize(40, 40);
        b->setVisible(true);
        return b;
    }

    // Entry, then the drop, as Qt delivers them; whether the entry was
    // accepted.
    static bool dragAndDrop(QWidget *target, const QMimeData &data)
    {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.ignore();
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        return enter.isAccepted();
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        probe = TestSupport::helperPath(QStringLiteral("gp_probe"));
        QVERIFY(QFileInfo::exists(probe));
        QVERIFY(TestSupport::writeFile(scratch.filePath(QStringLiteral("a.txt")), "a"));
        QVERIFY(QDir(scratch.path()).mkpath(QStringLiteral("empty1/sub")));
        QVERIFY(QDir(scratch.path()).mkpath(QStringLiteral("empty2")));
    }
    void init()
    {
        window = std::make_unique<QWidget>();
        window->resize(200, 100);
        window->show();
        probeOut = scratch.filePath(QStringLiteral("probe-%1.jsonl").arg(QString::fromLatin1(QTest::currentDataTag())));
        QFile::remove(probeOut);
        qputenv("GP_PROBE_OUT", probeOut.toLocal8Bit());
    }
    void cleanup() { window.reset(); }

    void onlyLocalFilesAreHandedOver_data()
    {
        QTest::addColumn<bool>("massive");
        QTest::addColumn<QStringList>("urls"); // "file:" entries are made absolute in scratch
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QStringList>("expected"); // empty: nothing starts
        const QStringList link { QStringLiteral("https://example.org/a?$top=5") };
        QTest::newRow("web link") << false << link << QString() << false << QStringList();
        QTest::newRow("massive web link") << true << link << QString() << false << QStringList();
        QTest::newRow("text only") << true << QStringList() << QStringLiteral("/etc/passwd") << false << QStringList();
        QTest::newRow("link and file") << true << (link + QStringList { QStringLiteral("file:a.txt") }) << QString()
                                       << true << QStringList { "-d", "--massive-input", "@a.txt" };
        QTest::newRow("massive folders without files")
            << true << QStringList { QStringLiteral("file:empty1"), QStringLiteral("file:empty2") } << QString() << true
            << QStringList();
    }
    void onlyLocalFilesAreHandedOver()
    {
        QFETCH(bool, massive);
        QFETCH(QStringList, urls);
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(QStringList, expected);
        QMimeData data;
        QList<QUrl> list;
        for (const QString &url : urls)
            list << (url.startsWith(QLatin1String("file:")) ? QUrl::fromLocalFile(scratch.filePath(url.mid(5)))
                                                            : QUrl(url));
        if (!list.isEmpty())
            data.setUrls(list);
        if (!text.isEmpty())
            data.setText(text);
        if (!accepted)
            QTest::ignoreMessage(
                QtDebugMsg, QRegularExpression(QStringLiteral("refused, the drag holds no local file")));
        LaunchButton *b = button(massive);
        QCOMPARE(dragAndDrop(b, data), accepted);

        // A drop of a plain file afterwards marks the end: when its start is
        // seen, an earlier start would have been seen too.
        QMimeData marker;
        marker.setUrls({ QUrl::fromLocalFile(scratch.filePath(QStringLiteral("a.txt"))) });
        QVERIFY(dragAndDrop(button(false), marker));
        const int count = expected.isEmpty() ? 1 : 2;
        const auto records = TestSupport::waitForProbeRecords(probeOut, count);
        QCOMPARE(records.size(), count);
        // Two programs started one after the other may record in any order.
        QList<QStringList> seen;
        for (const auto &record : records)
            seen << record.arguments;
        const QString a = QDir::toNativeSeparators(scratch.filePath(QStringLiteral("a.txt")));
        QVERIFY(seen.contains(QStringList { "-d", a }));
        if (expected.isEmpty())
            return;
        expected.replaceInStrings(QStringLiteral("@a.txt"), a);
        QVERIFY2(seen.contains(expected), qPrintable(expected.join(QLatin1Char(' '))));
    }
};

QTEST_MAIN(TestDrops)
#include "tst_drops.moc"
