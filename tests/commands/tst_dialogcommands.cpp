// Commands that ask the user first and then hand over to RUN: what the
// question looks like, what the program receives, and that a cancel leaves
// everything as it was.

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "commandharness.h"
#include "commands/runcommand.h"
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
        QTest::newRow("one of several") << int(CommandType::OpenMultipleFiles) << QStringList()
                                        << QStringList { "/x/1.txt" } << QStringList { "--massive-input", "/x/1.txt" }
                                        << 3 << all;
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

    // A cancelled question runs nothing and leaves the parameters as the
    // button wrote them, so the next click starts from the same arguments.
    void cancelChangesNothing_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("open file") << int(CommandType::OpenFile);
        QTest::newRow("several files") << int(CommandType::OpenMultipleFiles);
        QTest::newRow("base64") << int(CommandType::WinOpenFileBase64);
        QTest::newRow("folder") << int(CommandType::RunFolder);
    }
    void cancelChangesNothing()
    {
        QFETCH(int, type);
        CustomFileDialog::setResponder([](const CustomFileDialog &) { return QStringList(); });
        const auto click = probeClick({ QStringLiteral("-v") });
        std::unique_ptr<ICommand> command(CommandFactory::create(type));
        QVERIFY(command);
        command->parameters = click;
        QVERIFY(!command->execute());
        QCOMPARE(command->parameters, click);
        const Harness::ChainResult result = runChain(type, click);
        QCOMPARE(result.done, 0);
        QVERIFY(!result.quit);
    }

    // Every command that starts a program hands a RUN command a copy of all
    // the button wrote plus its own additions.
    void followUpCarriesEverything_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariant>("previous");
        QTest::addColumn<bool>("wait");
        QTest::newRow("open file") << int(CommandType::OpenFile) << QVariant(2) << false;
        QTest::newRow("folder") << int(CommandType::RunFolder) << QVariant(2) << false;
        QTest::newRow("several files") << int(CommandType::OpenMultipleFiles) << QVariant(12) << false;
        QTest::newRow("base64") << int(CommandType::WinOpenFileBase64) << QVariant(10) << false;
        QTest::newRow("run and exit") << int(CommandType::RunAndExit) << QVariant(4) << false;
        QTest::newRow("hidden") << int(CommandType::Win32RunHidden) << QVariant(8) << false;
        QTest::newRow("check button") << int(CommandType::CheckButton) << QVariant() << true;
    }
    void followUpCarriesEverything()
    {
        QFETCH(int, type);
        QFETCH(QVariant, previous);
        QFETCH(bool, wait);
        CustomFileDialog::setResponder([](const CustomFileDialog &) { return QStringList { QStringLiteral("/c") }; });
        auto click = probeClick({ QStringLiteral("-v") });
        click.insert(Param::profileKey, QStringLiteral("k"));
        std::unique_ptr<ICommand> command(CommandFactory::create(type));
        command->parameters = click;
        std::unique_ptr<ICommand> run(command->execute());
        QVERIFY(dynamic_cast<RunCommand *>(run.get()));
        QCOMPARE(run->parameters.value(Param::prevcommandtype), previous);
        QCOMPARE(run->parameters.value(Param::runandwait).toBool(), wait);
        for (auto it = click.cbegin(); it != click.cend(); ++it) {
            if (it.key() != Param::arguments)
                QCOMPARE(run->parameters.value(it.key()), it.value());
        }
        QCOMPARE(run->parameters.value(Param::arguments).toStringList().value(0), QStringLiteral("-v"));
        QVERIFY(!command->parameters.contains(Param::runandwait));
    }

private:
    QTemporaryDir scratch;
    QString probeOut;
};

QTEST_MAIN(DialogCommandsTest)
#include "tst_dialogcommands.moc"
