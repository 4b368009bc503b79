// Link files read into records: value forms, localisation, platform groups,
// the path rule, folder and sub-menu trees (whole or entry by entry, and
// trees that refer to themselves), lite mode, inherited defaults.
#include <QtTest>

#include "config/language.h"
#include "config/buttonconfig.h"
#include "config/recordreading.h"
#include "config/vocabulary.h"
#include "testsupport.h"

using namespace Vocabulary;

namespace {
int records(const ButtonConfig &node)
{
    int total = 1;
    for (const auto &child : node.children)
        total += records(*child);
    return total;
}
} // namespace

class TestButtonConfig : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    int written = 0;

    // Every read gets a file of its own.
    ButtonConfig read(const QByteArray &text, const QMap<QString, QVariant> &defaults = {}, bool full = true)
    {
        TestSupport::writeFile(dir.filePath(QStringLiteral("icon.png")), "x");
        const QString path = dir.filePath(QStringLiteral("b%1.link").arg(++written));
        TestSupport::writeFile(path, text);
        return ButtonConfig(QFileInfo(path), defaults, full);
    }

private slots:
    void initTestCase() { TestSupport::isolate(); }

    void commandTypes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("type");
        QTest::newRow("name any case") << "openfile" << 2;
        QTest::newRow("number") << "17" << 17;
        QTest::newRow("unknown word") << "LAUNCH" << 1;
        QTest::newRow("empty") << "" << 1;
        QTest::newRow("base64 name") << "WinRunBase64" << 11;
        QTest::newRow("absurd number") << "99999999999999999999" << 1;
    }

    void commandTypes()
    {
        QFETCH(QString, text);
        QTEST(commandTypeFromText(text), "type");
    }

    void colours()
    {
        QCOMPARE(colorWithAlpha(QStringLiteral("10/20/30"), Qt::red), QColor(10, 20, 30, 255));
        QCOMPARE(colorWithAlpha(QStringLiteral("10/20/30/40"), Qt::red), QColor(10, 20, 30, 40));
        QCOMPARE(colorWithAlpha(QStringLiteral("10/20"), Qt::red), QColor(Qt::red));
        QCOMPARE(colorWithoutAlpha(QStringLiteral("255/0/0/10")), QColor(255, 0, 0, 255));
        QCOMPARE(colorWithoutAlpha(QStringLiteral("red")), QColor(Qt::black));
        QCOMPARE(colorWithoutAlpha(QStringLiteral("999/-4/x")), QColor(255, 0, 0));
    }

    void dropFilters()
    {
        QVERIFY(dropFilterMatches(QStringLiteral("*"), {}));
        QVERIFY(dropFilterMatches(QStringLiteral("ext:pdf"), { QStringLiteral("/a/b.PDF") }));
        QVERIFY(
            !dropFilterMatches(QStringLiteral("ext:pdf"), { QStringLiteral("/a/b.pdf"), QStringLiteral("/a/c.pdf") }));
        QVERIFY(!dropFilterMatches(QStringLiteral("EXT:pdf"), { QStringLiteral("/a/b.pdf") }));
        QVERIFY(!dropFilterMatches(QStringLiteral("ext"), { QStringLiteral("/a/b.pdf") }));
    }

    void localisedTitleOrder()
    {
        const QString full = currentLanguage();
        const QString shortCode = full.section(QLatin1Char('_'), 0, 0);
        ButtonConfig both = read("[properties]\nicon=icon.png\ntitle=bare\ntitle.it=italiano\ntitle.en=english\ntitle."
            + full.toUtf8() + "=full\n");
        QCOMPARE(both.title, QStringLiteral("full"));
        if (shortCode != QLatin1String("en") && shortCode != QLatin1String("it")) {
            // ".en" comes before ".it" and both before the bare key.
            QCOMPARE(read("[properties]\nicon=icon.png\ntitle=bare\ntitle.it=italiano\ntitle.en=english\n").title,
                QStringLiteral("english"));
        }
        QCOMPARE(read("[properties]\nicon=icon.png\ntitle=bare\ntitle." + full.toUtf8() + "=\n").title,
            QStringLiteral("bare"));
    }

    void platformGroupReplacesTheWholeGroup()
    {
        const ButtonConfig record
            = read("[properties]\nicon=icon.png\n[click]\npath=tool\nargs=plain\n[CLICK_linux]\nargs=linux\n");
        QCOMPARE(record.clickArgs, QStringList { QStringLiteral("linux") });
        QVERIFY(record.commandPath.isEmpty()); // only in the replaced group
    }

    void pathRule_data()
    {
        QTest::addColumn<QByteArray>("click");
        QTest::addColumn<QString>("expected");
        QTest::newRow("relative") << QByteArray("path=tools/a b.exe") << dir.filePath(QStringLiteral("tools/a b.exe"));
        QTest::newRow("placeholder") << QByteArray("path=%cdrom%/x") << QStringLiteral("%cdrom%/x");
        QTest::newRow("dollar") << QByteArray("path=a/$HOME/x") << QStringLiteral("a/$HOME/x");
        QTest::newRow("link stays for type 7")
            << QByteArray("type=7\npath=https://x.org/a") << QStringLiteral("https://x.org/a");
        QTest::newRow("link resolved otherwise")
            << QByteArray("path=https://x.org/a") << dir.filePath(QStringLiteral("https:/x.org/a"));
    }

    void pathRule()
    {
        QFETCH(QByteArray, click);
        const ButtonConfig record = read("[properties]\nicon=icon.png\n[click]\n" + click + "\n");
        QTEST(record.commandPath, "expected");
    }

    void dropPathFollowsTheDropType()
    {
        const ButtonConfig record = read("[properties]\nicon=icon.png\n[click]\ntype=7\n[drop]\npath=http://x\n");
        QCOMPARE(record.dropType, 1);
        QCOMPARE(record.dropPath, dir.filePath(QStringLiteral("http:/x")));
        QCOMPARE(read("[properties]\nicon=icon.png\n[drop]\ntype=OPENLINK\npath=http://x\n").dropPath,
            QStringLiteral("http://x"));
    }

    void fontsAndInheritedDefaults()
    {
        QCOMPARE(read("[properties]\nicon=icon.png\ntitlepointsize=12\n").titleFont.pointSize(), 12);
        const QMap<QString, QVariant> defaults { { QStringLiteral("titlepixelsize"), QStringLiteral("22") },
            { QStringLiteral("blurcolor"), QStringLiteral("1/2/3/4") },
            { QStringLiteral("hoverimagewidth"), QStringLiteral("70") } };
        ButtonConfig inherited = read("[properties]\nicon=icon.png\n", defaults);
        QCOMPARE(inherited.titleFont.pixelSize(), 22);
        QCOMPARE(inherited.blurColor, QColor(1, 2, 3, 4));
        QCOMPARE(inherited.hoverImageWidth, 70);
        QCOMPARE(read("[properties]\nicon=icon.png\ntitlepixelsize=9\n", defaults).titleFont.pixelSize(), 9);
    }

    void liteMode()
    {
        TestSupport::writeFile(dir.filePath(QStringLiteral("lite.png")), "x");
        const QByteArray text = "[properties]\nicon=icon.png\nicon_lite=lite.png\nlite_enabled=0\n";
        ButtonConfig full = read(text, {}, true);
        QVERIFY(full.liteEnabled);
        QCOMPARE(full.iconPath, dir.filePath(QStringLiteral("icon.png")));
        ButtonConfig lite = read(text, {}, false);
        QVERIFY(!lite.liteEnabled);
        QCOMPARE(lite.iconPath, dir.filePath(QStringLiteral("lite.png")));
    }

    void emptyFoldersAndDropSubMenus()
    {
        QTemporaryDir tree;
        TestSupport::writeFile(tree.filePath("i.png"), "x");
        TestSupport::writeFile(tree.filePath("empty.link/x.link"), "[properties]\nicon=i.png\n");
        ButtonConfig empty(QFileInfo(tree.filePath("empty.link")), {}, true);
        QVERIFY(empty.iconPath.isEmpty());
        QVERIFY(empty.children.empty());
        // properties/drop=1 skips the sub-menu.
        TestSupport::writeFile(tree.filePath("drops/a.link"), "[properties]\nicon=none.png\n");
        TestSupport::writeFile(tree.filePath("e.link"), "[properties]\ndrop=1\nicon=i.png\n[ondrop]\nsubmenu=drops\n");
        ButtonConfig flagged(QFileInfo(tree.filePath("e.link")), {}, true);
        QVERIFY(flagged.dropOpensMenu);
        QVERIFY(flagged.children.empty());
    }

    // A link folder leaves out "_", entries without an icon and sub-folders;
    // a drop menu keeps entries without an icon. Read entry by entry, the
    // same children come when the menu is opened.
    void foldersAndSubMenus_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QStringList>("children");
        QTest::newRow("folder") << "menu.link" << QStringList { "a.link" };
        QTest::newRow("drop menu") << "drop.link" << QStringList { "a.link", "noicon.link" };
    }
    void foldersAndSubMenus()
    {
        QFETCH(QString, entry);
        QFETCH(QStringList, children);
        QTemporaryDir dir;
        TestSupport::writeFile(dir.filePath("menu.link/i.png"), "x");
        TestSupport::writeFile(dir.filePath("menu.link/_.link"), "[properties]\nicon=i.png\ntitle=Menu\n");
        TestSupport::writeFile(dir.filePath("menu.link/a.link"), "[properties]\nicon=i.png\ntitle=A\n");
        TestSupport::writeFile(dir.filePath("menu.link/noicon.link"), "[properties]\nicon=none.png\n");
        TestSupport::writeFile(dir.filePath("menu.link/sub.link/_.link"), "[properties]\nicon=../i.png\n");
        TestSupport::writeFile(dir.filePath("i.png"), "x");
        TestSupport::writeFile(
            dir.filePath("drop.link"), "[properties]\nicon=i.png\n[ondrop]\nsubmenu=menu.link\nfilter=ext:pdf\n");
        auto names = [](const ButtonConfig &record) {
            QStringList result;
            for (const auto &child : record.children)
                result.append(child->fileName);
            result.sort();
            return result;
        };
        const QFileInfo info(dir.filePath(entry));
        ButtonConfig whole(info, {}, true);
        ButtonConfig later(info, {}, true, ButtonConfig::Reading::EntryOnly);
        QCOMPARE(names(whole), children);
        QCOMPARE(whole.dropFilter, whole.isFolder ? QStringLiteral("*") : QStringLiteral("ext:pdf"));
        QVERIFY(later.children.empty());
        QCOMPARE(later.dropOpensMenu, whole.dropOpensMenu);
        QCOMPARE(later.dropFilter, whole.dropFilter);
        QCOMPARE(later.isFolder, whole.isFolder);
        later.readDeferredChildren();
        QCOMPARE(names(later), children);
    }

    // Three entries that each open their own folder again: 3^8 records
    // without a bound on the whole tree.
    void selfReferenceThatMultipliesIsBounded()
    {
        QTemporaryDir dir;
        TestSupport::writeFile(dir.filePath("i.png"), "x");
        for (const char *name : { "a.link", "b.link", "c.link" })
            TestSupport::writeFile(dir.filePath(name), "[properties]\nicon=i.png\n[ondrop]\nsubmenu=.\n");
        QVERIFY(records(ButtonConfig(QFileInfo(dir.filePath("a.link")), {}, true)) <= 2001);
    }

    // 1000 links that each open their own folder as drop menu: read entry
    // by entry, a start reads each file once and an opened menu one level.
    void thousandSelfMenusReadEntryByEntry()
    {
        QTemporaryDir dir;
        TestSupport::writeFile(dir.filePath("i.png"), "x");
        constexpr int count = 1000;
        for (int i = 0; i < count; ++i)
            TestSupport::writeFile(
                dir.filePath(QStringLiteral("l%1.link").arg(i)), "[properties]\nicon=i.png\n[ondrop]\nsubmenu=.\n");
        const QFileInfoList entries = QDir(dir.path()).entryInfoList({ "*.link" }, QDir::Files);
        TopLevelRecords read = readTopLevelRecords(entries, {}, true, 20000, 2, ButtonConfig::Reading::EntryOnly);
        QCOMPARE(int(read.records.size()), count);
        int total = 0;
        for (const auto &record : read.records) {
            QVERIFY(record->hasDeferredChildren());
            total += records(*record);
        }
        QCOMPARE(total, count);
        ButtonConfig &first = *read.records.front();
        first.readDeferredChildren();
        QVERIFY(!first.hasDeferredChildren());
        QCOMPARE(records(first), count + 1);
        QVERIFY(first.children.front()->hasDeferredChildren());
        first.readDeferredChildren();
        QCOMPARE(records(first), count + 1);
    }

    // The top level is read from both ends on two threads; what comes out,
    // records and debug lines alike, is what one thread reading the entries
    // in order gives, with or without the cap on kept records.
    void topLevelReadOnTwoThreadsAsOnOne_data()
    {
        QTest::addColumn<int>("cap");
        QTest::newRow("no cap") << 1000;
        QTest::newRow("cap met early") << 3;
        QTest::newRow("cap of all kept") << 41;
        QTest::newRow("cap of none") << 0;
    }

    void topLevelReadOnTwoThreadsAsOnOne()
    {
        QFETCH(int, cap);
        QTemporaryDir links;
        for (int i = 0; i < 48; ++i) {
            const QString name = QStringLiteral("e%1").arg(i, 2, 10, QLatin1Char('0'));
            if (i % 7 == 3) {
                // A folder with entries of its own, whose lines come in between.
                const QString folder = links.filePath(name + QStringLiteral(".link"));
                TestSupport::writeFile(folder + QStringLiteral("/_.link"), "[properties]\nicon=i.png\n");
                TestSupport::writeFile(folder + QStringLiteral("/i.png"), "x");
                for (int j = 0; j < 3; ++j)
                    TestSupport::writeFile(
                        folder + QStringLiteral("/c%1.link").arg(j), "[properties]\nicon=i.png\n[click]\npath=child\n");
            } else if (i % 6 == 5) {
                // No icon: left out, its "Unable to find icon" line kept.
                TestSupport::writeFile(links.filePath(name + QStringLiteral(".link")), "[properties]\nicon=gone.png\n");
            } else {
                TestSupport::writeFile(links.filePath(name + QStringLiteral(".link")),
                    "[properties]\nicon=i.png\ntitle=" + name.toUtf8() + "\n[click]\npath=p" + name.toUtf8() + "\n");
            }
        }
        TestSupport::writeFile(links.filePath(QStringLiteral("i.png")), "x");
        QFileInfoList entries
            = QDir(links.path())
                  .entryInfoList({ QStringLiteral("*.link") }, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot);

        static QStringList lines;
        auto readWith = [&](int threads, QStringList &names, bool &capped) {
            lines.clear();
            const QtMessageHandler previous = qInstallMessageHandler(
                [](QtMsgType, const QMessageLogContext &, const QString &message) { lines << message; });
            TopLevelRecords read = readTopLevelRecords(entries, {}, true, cap, threads);
            qInstallMessageHandler(previous);
            for (const auto &record : read.records)
                names << record->fileName + QLatin1Char('/') + QString::number(int(record->children.size()));
            capped = read.capped;
            return lines;
        };
        QStringList oneNames;
        QStringList twoNames;
        bool oneCapped = false;
        bool twoCapped = false;
        const QStringList one = readWith(1, oneNames, oneCapped);
        for (int round = 0; round < 5; ++round) {
            twoNames.clear();
            QCOMPARE(readWith(2, twoNames, twoCapped), one);
            QCOMPARE(twoNames, oneNames);
            QCOMPARE(twoCapped, oneCapped);
        }
        // 48 entries, 7 of them without an icon.
        QCOMPARE(oneNames.size(), qMin(cap, 41));
        QCOMPARE(oneCapped, cap <= 41);
        QCOMPARE(one.isEmpty(), cap == 0);
    }
};

QTEST_MAIN(TestButtonConfig)
#include "tst_buttonconfig.moc"
