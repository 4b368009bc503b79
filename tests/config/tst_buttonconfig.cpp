// Link files read into records: value forms, localisation, platform groups,
// the path rule, folder and sub-menu trees (whole or entry by entry, and
// trees that refer to themselves), lite mode, and the top level read on two
// threads. (A link's own values over the skin's [button]: the layout in
// tst_skintool.)
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
QStringList names(const ButtonConfig &record)
{
    QStringList result;
    for (const auto &child : record.children)
        result.append(child->fileName);
    result.sort();
    return result;
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
        TestSupport::writeFile(path, "[properties]\nicon=icon.png\n" + text);
        return ButtonConfig(QFileInfo(path), defaults, full);
    }

private slots:
    void initTestCase() { TestSupport::isolate(); }

    // Command type names in any case, an unknown one runs; colours with and
    // without alpha; drop filters.
    void valueForms()
    {
        QCOMPARE(commandTypeFromText(QStringLiteral("openfile")), int(CommandType::OpenFile));
        QCOMPARE(commandTypeFromText(QStringLiteral("LAUNCH")), int(CommandType::Run));
        QCOMPARE(colorWithAlpha(QStringLiteral("10/20/30"), Qt::red), QColor(10, 20, 30, 255));
        QCOMPARE(colorWithAlpha(QStringLiteral("10/20/30/40"), Qt::red), QColor(10, 20, 30, 40));
        QCOMPARE(colorWithAlpha(QStringLiteral("10/20"), Qt::red), QColor(Qt::red));
        QCOMPARE(colorWithoutAlpha(QStringLiteral("255/0/0/10")), QColor(255, 0, 0, 255));
        QCOMPARE(colorWithoutAlpha(QStringLiteral("red")), QColor(Qt::black));
        QCOMPARE(colorWithoutAlpha(QStringLiteral("999/-4/x")), QColor(255, 0, 0));
        QVERIFY(dropFilterMatches(QStringLiteral("ext:pdf"), { QStringLiteral("/a/b.PDF") }));
        QVERIFY(!dropFilterMatches(QStringLiteral("ext:pdf"), { "/a/b.pdf", "/a/c.pdf" }));
        QVERIFY(!dropFilterMatches(QStringLiteral("EXT:pdf"), { QStringLiteral("/a/b.pdf") }));
    }

    // The full language code comes first, then ".en", then ".it", then the
    // bare key; an empty translation counts as none.
    void localisedTitleOrder()
    {
        const QByteArray full = currentLanguage().toUtf8();
        const QByteArray titles = "title=bare\ntitle.it=italiano\ntitle.en=english\n";
        QCOMPARE(read(titles + "title." + full + "=full\n").title, QStringLiteral("full"));
        if (!full.startsWith("en") && !full.startsWith("it"))
            QCOMPARE(read(titles).title, QStringLiteral("english"));
        QCOMPARE(read("title=bare\ntitle." + full + "=\n").title, QStringLiteral("bare"));
    }

    // Click and drop paths: placeholders, environment paths and web links
    // stay as written, the rest is made absolute beside the link. The
    // platform's group replaces the plain one whole: its type is not
    // inherited.
    void pathRule_data()
    {
        QTest::addColumn<QByteArray>("groups");
        QTest::addColumn<bool>("drop");
        QTest::addColumn<QString>("expected");
        QTest::newRow("relative") << QByteArray("[click]\npath=tools/a b.exe") << false
                                  << dir.filePath(QStringLiteral("tools/a b.exe"));
        QTest::newRow("placeholder") << QByteArray("[click]\npath=%cdrom%/x") << false << QStringLiteral("%cdrom%/x");
        QTest::newRow("dollar") << QByteArray("[click]\npath=a/$HOME/x") << false << QStringLiteral("a/$HOME/x");
        QTest::newRow("link stays for type 7")
            << QByteArray("[click]\ntype=7\npath=https://x.org/a") << false << QStringLiteral("https://x.org/a");
        QTest::newRow("platform group whole")
            << QByteArray("[click]\ntype=7\npath=plain\n[CLICK_linux]\npath=https://x.org/l") << false
            << dir.filePath(QStringLiteral("https:/x.org/l"));
        QTest::newRow("drop by its own type")
            << QByteArray("[click]\ntype=7\n[drop]\npath=http://x") << true << dir.filePath(QStringLiteral("http:/x"));
        QTest::newRow("drop link") << QByteArray("[drop]\ntype=OPENLINK\npath=http://x") << true
                                   << QStringLiteral("http://x");
    }
    void pathRule()
    {
        QFETCH(QByteArray, groups);
        QFETCH(bool, drop);
        const ButtonConfig record = read(groups + "\n");
        QTEST(drop ? record.dropPath : record.commandPath, "expected");
    }

    void liteMode()
    {
        TestSupport::writeFile(dir.filePath(QStringLiteral("lite.png")), "x");
        const QByteArray text = "icon_lite=lite.png\nlite_enabled=0\n";
        const ButtonConfig full = read(text, {}, true);
        const ButtonConfig lite = read(text, {}, false);
        QVERIFY(full.liteEnabled && !lite.liteEnabled);
        QCOMPARE(full.iconPath, dir.filePath(QStringLiteral("icon.png")));
        QCOMPARE(lite.iconPath, dir.filePath(QStringLiteral("lite.png")));
    }

    // A link folder leaves out "_", entries without an icon and sub-folders;
    // a drop menu keeps entries without an icon; a folder without its "_"
    // link is no entry, and properties/drop=1 skips the sub-menu. Read entry
    // by entry, the same children come when the menu is opened.
    void foldersAndSubMenus_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QStringList>("children");
        QTest::addColumn<QString>("filter");
        QTest::newRow("folder") << "menu.link" << QStringList { "a.link" } << "*";
        QTest::newRow("drop menu") << "drop.link" << QStringList { "a.link", "noicon.link" } << "ext:pdf";
        QTest::newRow("folder without its link") << "empty.link" << QStringList() << "*";
        QTest::newRow("drop flag") << "dropflag.link" << QStringList() << "*";
    }
    void foldersAndSubMenus()
    {
        QFETCH(QString, entry);
        QFETCH(QStringList, children);
        QTemporaryDir tree;
        const auto write
            = [&](const char *name, const QByteArray &text) { TestSupport::writeFile(tree.filePath(name), text); };
        write("i.png", "x");
        write("menu.link/i.png", "x");
        write("menu.link/_.link", "[properties]\nicon=i.png\ntitle=Menu\n");
        write("menu.link/a.link", "[properties]\nicon=i.png\ntitle=A\n");
        write("menu.link/noicon.link", "[properties]\nicon=none.png\n");
        write("menu.link/sub.link/_.link", "[properties]\nicon=../i.png\n");
        write("drop.link", "[properties]\nicon=i.png\n[ondrop]\nsubmenu=menu.link\nfilter=ext:pdf\n");
        write("empty.link/x.link", "[properties]\nicon=../i.png\n");
        write("dropflag.link", "[properties]\ndrop=1\nicon=i.png\n[ondrop]\nsubmenu=menu.link\n");
        const QFileInfo info(tree.filePath(entry));
        ButtonConfig whole(info, {}, true);
        ButtonConfig later(info, {}, true, ButtonConfig::Reading::EntryOnly);
        QCOMPARE(names(whole), children);
        QTEST(whole.dropFilter, "filter");
        QCOMPARE(whole.iconPath.isEmpty(), entry == QLatin1String("empty.link"));
        QCOMPARE(whole.dropOpensMenu, entry.startsWith(QLatin1String("drop")));
        QVERIFY(later.children.empty());
        QCOMPARE((QVariantList { later.dropOpensMenu, later.dropFilter, later.isFolder }),
            (QVariantList { whole.dropOpensMenu, whole.dropFilter, whole.isFolder }));
        later.readDeferredChildren();
        QCOMPARE(names(later), children);
    }

    // Entries that each open their own folder again. Read whole, the tree is
    // bounded (3^8 records without a bound); read entry by entry, an opened
    // menu reads one level. (A start on a thousand such entries reads each
    // file once: tst_hostilemedium.)
    void selfReferringMenus()
    {
        QTemporaryDir tree;
        TestSupport::writeFile(tree.filePath("i.png"), "x");
        for (const char *name : { "a.link", "b.link", "c.link" })
            TestSupport::writeFile(tree.filePath(name), "[properties]\nicon=i.png\n[ondrop]\nsubmenu=.\n");
        const QFileInfo first(tree.filePath("a.link"));
        QVERIFY(records(ButtonConfig(first, {}, true)) <= 2001);
        ButtonConfig opened(first, {}, true, ButtonConfig::Reading::EntryOnly);
        QCOMPARE(records(opened), 1);
        opened.readDeferredChildren();
        QCOMPARE(records(opened), 4);
        QVERIFY(opened.children.front()->hasDeferredChildren());
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
        TestSupport::writeFile(links.filePath(QStringLiteral("i.png")), "x");
        for (int i = 0; i < 48; ++i) {
            const QString name = links.filePath(QStringLiteral("e%1.link").arg(i, 2, 10, QLatin1Char('0')));
            if (i % 7 == 3) {
                // A folder with entries of its own, whose lines come in between.
                TestSupport::writeFile(name + QStringLiteral("/_.link"), "[properties]\nicon=../i.png\n");
                for (int j = 0; j < 3; ++j)
                    TestSupport::writeFile(name + QStringLiteral("/c%1.link").arg(j), "[properties]\nicon=../i.png\n");
            } else {
                // One in six without an icon: left out, its debug line kept.
                TestSupport::writeFile(
                    name, i % 6 == 5 ? "[properties]\nicon=gone.png\n" : "[properties]\nicon=i.png\n");
            }
        }
        const QFileInfoList entries
            = QDir(links.path())
                  .entryInfoList({ QStringLiteral("*.link") }, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot);
        static QStringList lines;
        int kept = 0;
        const auto readWith = [&](int threads) {
            lines.clear();
            const QtMessageHandler previous = qInstallMessageHandler(
                [](QtMsgType, const QMessageLogContext &, const QString &message) { lines << message; });
            const TopLevelRecords read = readTopLevelRecords(entries, {}, true, cap, threads);
            qInstallMessageHandler(previous);
            QStringList seen = lines;
            for (const auto &record : read.records)
                seen << record->fileName + QLatin1Char('/') + QString::number(int(record->children.size()));
            kept = int(read.records.size());
            return seen << QString::number(read.capped);
        };
        const QStringList one = readWith(1);
        for (int round = 0; round < 5; ++round)
            QCOMPARE(readWith(2), one);
        // 48 entries, 7 of them without an icon.
        QCOMPARE(kept, qMin(cap, 41));
        QCOMPARE(one.last(), QString::number(cap <= 41));
        QCOMPARE(lines.isEmpty(), cap == 0);
    }
};

QTEST_MAIN(TestButtonConfig)
#include "tst_buttonconfig.moc"
