// Commands that hand something to the desktop or to the window instead of
// starting a program.

#include <QDir>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include "commandharness.h"

using Harness::runChain;

class OpenCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }
    void init() { catcher.opened.clear(); }

    // A "#" or "?" in a file name is part of the name, not a fragment or a
    // query. (Links of every scheme: tst_userdata.)
    void fileNameWithHashOpensThatFile()
    {
        runChain(CommandType::OpenLink, { { Param::cmdline, QStringLiteral("/srv/a #1?.pdf") } });
        QCOMPARE(catcher.opened, QList<QUrl> { QUrl::fromLocalFile(QStringLiteral("/srv/a #1?.pdf")) });
    }

    void folderIsCreatedThenOpened()
    {
        const QString folder = scratch.filePath(QStringLiteral("new/deeper/data"));
        runChain(CommandType::OpenFolder, { { Param::cmdline, folder } });
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(catcher.opened, QList<QUrl> { QUrl::fromLocalFile(folder) });
    }

    void emptyTargetOpensNothing()
    {
        for (const int type : { int(CommandType::OpenLink), int(CommandType::OpenFolder) })
            runChain(type, { { Param::cmdline, QString() } });
        QVERIFY(catcher.opened.isEmpty());
    }

    void reloadCarriesTheFirstArgument_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("reloads");
        QTest::newRow("two") << QStringList { "links/B", "C" } << QStringList { "links/B" };
        QTest::newRow("none") << QStringList() << QStringList();
    }
    void reloadCarriesTheFirstArgument()
    {
        QFETCH(QStringList, arguments);
        const Harness::ChainResult result = runChain(CommandType::Reload, { { Param::arguments, arguments } });
        QTEST(result.reloads, "reloads");
        QCOMPARE(result.done, 0);
    }

private:
    QTemporaryDir scratch;
    TestSupport::UrlCatcher catcher;
};

QTEST_MAIN(OpenCommandsTest)
#include "tst_opencommands.moc"
