// Commands that ask the user first and then hand over to RUN: what the
// question looks like, what the program receives, and that a cancel leaves
// everything as it was.

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "commandharness.h"
#include "commands/customfiledialog.h"

using Harness::probeClick;
using Harness::runChain;

namespace {

struct Question {
    QString caption;
    int mode = -1;
    QStringList filters;
    QString directory;
};

} // namespace

class DialogCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }
    void init() { probeOut = Harness::probeOutput(scratch); }
    void cleanup() { CustomFileDialog::setResponder({}); }

    void chosenPathsReachTheProgram_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("configured");
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("filters");
        // "*.*" would hide names without a dot outside Windows.
        const QStringList all { QStringLiteral("All files (*)") };
        const QString quoted = QStringLiteral("/d/l'anno \"q\"/à.txt");
        const QString encoded = QStringLiteral("BASE64")
            + QString::fromLatin1(QStringLiteral("/d/l\\'anno \\\"q\\\"/à.txt").toUtf8().toBase64());
        QTest::newRow("open file") << int(CommandType::OpenFile) << QStringList { "-v", "x" }
                                   << QStringList { "/data/a.txt" } << QStringList { "-v", "x", "/data/a.txt" } << 0
                                   << QStringList();
        QTest::newRow("several files") << int(CommandType::OpenMultipleFiles) << QStringList { "-a", "-b" }
                                       << QStringList { "/x/1.txt", "/x/2 b.txt" }
                                       << QStringList { "-a", "-b", "--massive-input", "/x/1.txt", "/x/2 b.txt" } << 3
                                       << all;
        QTest::newRow("base64 with quotes") << int(CommandType::WinOpenFileBase64) << QStringList { "-x" }
                                            << QStringList { quoted } << QStringList { "-x", encoded } << 0 << all;
        QTest::newRow("folder") << int(CommandType::RunFolder) << QStringList { "-r" } << QStringList { "/srv/my data" }
                                << QStringList { "-r", "/srv/my data" } << 2 << QStringList();
    }
    void chosenPathsReachTheProgram()
    {
        QFETCH(int, type);
        QFETCH(QStringList, configured);
        QFETCH(QStringList, chosen);
        QFETCH(QStringList, expected);
        Question asked;
        CustomFileDialog::setResponder([&](const CustomFileDialog &dialog) {
            asked = { dialog.caption(), dialog.mode(), dialog.nameFilters(), dialog.directory() };
            return chosen;
        });
        const Harness::ChainResult result = runChain(type, probeClick(configured));
        const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].arguments, expected);
        QCOMPARE(result.done, 1);
        QTEST(asked.mode, "mode");
        QTEST(asked.filters, "filters");
        QCOMPARE(asked.caption, asked.mode == 2 ? QStringLiteral("Seleziona una cartella") : QStringLiteral("Apri"));

        // A cancel runs nothing and leaves the parameters as the button wrote
        // them, so the next click starts from the same arguments.
        CustomFileDialog::setResponder([](const CustomFileDialog &) { return QStringList(); });
        std::unique_ptr<ICommand> command(CommandFactory::create(type));
        command->parameters = probeClick(configured);
        QVERIFY(!command->execute());
        QCOMPARE(command->parameters, probeClick(configured));
        const Harness::ChainResult cancelled = runChain(type, probeClick(configured));
        QCOMPARE(cancelled.done, 0);
        QVERIFY(!cancelled.quit);
    }

    void folderQuestionStartsWhereTheProfileSays_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("stored");
        QTest::newRow("stored folder") << QStringLiteral("lastdir") << true;
        QTest::newRow("key not in the file") << QStringLiteral("other") << false;
        QTest::newRow("no key") << QString() << false;
    }
    void folderQuestionStartsWhereTheProfileSays()
    {
        QFETCH(QString, key);
        QFETCH(bool, stored);
        QTemporaryDir profile;
        {
            QSettings settings(profile.filePath(QStringLiteral("default.conf")), QSettings::IniFormat);
            settings.setValue(QStringLiteral("lastdir"), scratch.path());
        }
        QString startedIn;
        CustomFileDialog::setResponder([&](const CustomFileDialog &dialog) {
            startedIn = dialog.startPath();
            return QStringList();
        });
        auto parameters = probeClick();
        parameters.insert(Param::profile, profile.path());
        parameters.insert(Param::profileKey, key);
        runChain(CommandType::RunFolder, parameters);
        QCOMPARE(startedIn, stored ? scratch.path() : QDir::homePath());
    }

private:
    QTemporaryDir scratch;
    QString probeOut;
};

QTEST_MAIN(DialogCommandsTest)
#include "tst_dialogcommands.moc"
