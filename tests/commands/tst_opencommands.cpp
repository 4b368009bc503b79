// Commands that hand something to the desktop or to the window instead of
// starting a program.

#include <QDesktopServices>
#include <QDir>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include "commandharness.h"

using Harness::runChain;

// Stands in for the desktop: records every URL it is asked to open.
class UrlCatcher final : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class OpenCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        for (const char *scheme : { "file", "http", "https", "mailto", "ftp" })
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &catcher, "open");
        QDir::setCurrent(scratch.path());
    }
    void init() { catcher.opened.clear(); }

    void linkOpensWhatItNames_data()
    {
        QTest::addColumn<QString>("cmdline");
        QTest::addColumn<QUrl>("expected");
        const QString here = QDir::currentPath();
        QTest::newRow("capital HTTPS") << QStringLiteral("HTTPS://example.org/a?b=1")
                                       << QUrl(QStringLiteral("HTTPS://example.org/a?b=1"));
        QTest::newRow("relative file") << QStringLiteral("docs/readme.pdf")
                                       << QUrl::fromLocalFile(here + QStringLiteral("/docs/readme.pdf"));
        QTest::newRow("hash in a file name")
            << QStringLiteral("/srv/a #1?.pdf") << QUrl::fromLocalFile(QStringLiteral("/srv/a #1?.pdf"));
    }
    void linkOpensWhatItNames()
    {
        QFETCH(QString, cmdline);
        QFETCH(QUrl, expected);
        QMap<QString, QVariant> parameters;
        parameters.insert(Param::cmdline, cmdline);
        runChain(CommandType::OpenLink, parameters);
        QCOMPARE(catcher.opened, QList<QUrl> { expected });
        QCOMPARE(catcher.opened.value(0).toLocalFile().isEmpty(), cmdline.startsWith(QLatin1String("HTTP")));
    }

    void folderIsCreatedThenOpened()
    {
        const QString folder = scratch.filePath(QStringLiteral("new/deeper/data"));
        QMap<QString, QVariant> parameters;
        parameters.insert(Param::cmdline, folder);
        runChain(CommandType::OpenFolder, parameters);
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
    UrlCatcher catcher;
};

QTEST_MAIN(OpenCommandsTest)
#include "tst_opencommands.moc"
