// Link trees that refer to themselves: the reader must stop, not recurse
// until the stack runs out.
#include <QtTest>

#include "config/buttonconfig.h"
#include "testsupport.h"

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
