// Link trees that refer to themselves: the reader must stop, not recurse
// until the stack runs out.
#include <QtTest>

#include "config/buttonconfig.h"
#include "config/recordreading.h"
#include "testsupport.h"

namespace {
int records(const ButtonConfig &node)
{
    int total = 1;
    for (const auto &child : node.children)
        total += records(*child);
    return total;
}
} // namespace

class TestHostileLinks : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }

    void dropSubMenuNamingItsOwnFolder()
    {
        QTemporaryDir dir;
        const QByteArray link = "[properties]\nicon=i.png\n[ondrop]\nsubmenu=.\n";
        TestSupport::writeFile(dir.filePath("i.png"), "x");
        TestSupport::writeFile(dir.filePath("self.link"), link);
        ButtonConfig record(QFileInfo(dir.filePath("self.link")), {}, true);
        QVERIFY(record.dropOpensMenu);
        // Bounded: each level holds the entry again, down to the limit.
        int depth = 0;
        const ButtonConfig *node = &record;
        while (!node->children.empty()) {
            node = node->children.front().get();
            ++depth;
        }
        QVERIFY(depth > 0);
        QVERIFY(depth <= 8);
    }

    void selfReferenceThatMultiplies()
    {
        // Three entries that each open the same folder again: 3^8 records
        // without a bound on the whole tree.
        QTemporaryDir dir;
        TestSupport::writeFile(dir.filePath("i.png"), "x");
        for (const char *name : { "a.link", "b.link", "c.link" })
            TestSupport::writeFile(dir.filePath(name), "[properties]\nicon=i.png\n[ondrop]\nsubmenu=.\n");
        ButtonConfig record(QFileInfo(dir.filePath("a.link")), {}, true);
        std::function<int(const ButtonConfig &)> count = [&](const ButtonConfig &node) {
            int total = 1;
            for (const auto &child : node.children)
                total += count(*child);
            return total;
        };
        QVERIFY(count(record) <= 2001);
    }

    void thousandSelfMenusReadEntryByEntry()
    {
        // Each of 1000 links opens its own folder as its drop menu: read
        // whole, that is thousands of records per link. Read entry by entry,
        // a start reads each file once and each opened menu one level.
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
            QVERIFY(record->dropOpensMenu);
            QVERIFY(record->hasDeferredChildren());
            total += records(*record);
        }
        QCOMPARE(total, count);

        // Opening one menu reads the folder once: its entries wait in turn.
        ButtonConfig &first = *read.records.front();
        first.readDeferredChildren();
        QVERIFY(!first.hasDeferredChildren());
        QCOMPARE(int(first.children.size()), count);
        QCOMPARE(records(first), count + 1);
        QVERIFY(first.children.front()->hasDeferredChildren());
        first.readDeferredChildren();
        QCOMPARE(records(first), count + 1);
    }

    void entryByEntryGivesTheWholeTreesRecords_data()
    {
        // A link folder leaves out entries without an icon; a drop menu
        // keeps them.
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QStringList>("children");
        QTest::newRow("folder") << "menu.link" << QStringList { "a.link" };
        QTest::newRow("drop menu") << "drop.link" << QStringList { "a.link", "noicon.link" };
    }

    void entryByEntryGivesTheWholeTreesRecords()
    {
        QFETCH(QString, entry);
        QFETCH(QStringList, children);
        QTemporaryDir dir;
        TestSupport::writeFile(dir.filePath("menu.link/i.png"), "x");
        TestSupport::writeFile(dir.filePath("menu.link/_.link"), "[properties]\nicon=i.png\ntitle=Menu\n");
        TestSupport::writeFile(dir.filePath("menu.link/a.link"), "[properties]\nicon=i.png\ntitle=A\n");
        TestSupport::writeFile(dir.filePath("menu.link/noicon.link"), "[properties]\nicon=none.png\n");
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
        QVERIFY(later.children.empty());
        QCOMPARE(later.dropOpensMenu, whole.dropOpensMenu);
        QCOMPARE(later.dropFilter, whole.dropFilter);
        QCOMPARE(later.isFolder, whole.isFolder);
        later.readDeferredChildren();
        QCOMPARE(names(later), children);
    }

    void folderWhoseEntriesPointBackUp()
    {
        QTemporaryDir dir;
        TestSupport::writeFile(dir.filePath("menu.link/i.png"), "x");
        TestSupport::writeFile(dir.filePath("menu.link/_.link"), "[properties]\nicon=i.png\n");
        TestSupport::writeFile(dir.filePath("menu.link/up.link"), "[properties]\nicon=i.png\n[ondrop]\nsubmenu=..\n");
        ButtonConfig record(QFileInfo(dir.filePath("menu.link")), {}, true);
        QVERIFY(record.isFolder);
        QCOMPARE(int(record.children.size()), 1);
    }
};

QTEST_GUILESS_MAIN(TestHostileLinks)
#include "tst_hostilelinks.moc"
