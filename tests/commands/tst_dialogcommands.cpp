// Commands that ask the user first and then hand over to RUN: what the
// question looks like, what the program receives, and that a cancel leaves
// everything as it was; and the question itself, answered through Qt's own
// dialog the way a user would: type a path, accept.

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QSettings>
#include <QTimer>
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

struct Seen {
    QString title;
    QString directory;
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
    bool dirsOnly = false;
    QStringList filters;
};

} // namespace

class DialogCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        QVERIFY(TestSupport::writeFile(files.filePath(QStringLiteral("a.txt")), "a"));
        QVERIFY(TestSupport::writeFile(files.filePath(QStringLiteral("b c.txt")), "b"));
        QVERIFY(QDir(files.path()).mkdir(QStringLiteral("sub")));
    }
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

    void answersThroughTheRealDialog_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("title");
        const QString a = files.filePath(QStringLiteral("a.txt"));
        const QString bc = files.filePath(QStringLiteral("b c.txt"));
        QTest::newRow("one file") << 0 << "b c.txt" << QStringList { bc } << "Apri";
        QTest::newRow("several files") << 3 << "\"a.txt\" \"b c.txt\"" << QStringList { a, bc } << "Apri";
        QTest::newRow("folder") << 4 << files.filePath(QStringLiteral("sub"))
                                << QStringList { files.filePath(QStringLiteral("sub")) } << "Seleziona una cartella";
    }
    void answersThroughTheRealDialog()
    {
        QFETCH(int, mode);
        QFETCH(QString, typed);
        CustomFileDialog dialog;
        dialog.setFileMode(mode);
        dialog.setFileMode(7); // not a mode: changes nothing
        dialog.setDirectory(QDir(files.path()));
        const QStringList filters { QStringLiteral("Text (*.txt)"), QStringLiteral("All files (*)") };
        dialog.setNameFilters(filters);
        Seen seen;
        QCOMPARE(run(dialog, typed, true, &seen), 1);
        QTEST(dialog.selectedFiles(), "selected");
        QTEST(seen.title, "title");
        QCOMPARE(seen.directory, files.path());
        QCOMPARE(seen.dirsOnly, mode == 4);
        if (mode == 0) {
            QCOMPARE(seen.filters, filters);
            QCOMPARE(seen.fileMode, QFileDialog::ExistingFile);
        }
    }

    // A cancel clears the earlier answer: a caller never picks up the path
    // of a previous question.
    void cancelForgetsTheEarlierAnswer()
    {
        CustomFileDialog dialog;
        dialog.setDirectory(QDir(files.path()));
        QCOMPARE(run(dialog, QStringLiteral("a.txt"), true), 1);
        QCOMPARE(dialog.selectedFiles().size(), 1);
        QCOMPARE(run(dialog, QString(), false), 0);
        QVERIFY(dialog.selectedFiles().isEmpty());
    }

private:
    // Waits for the modal file dialog, notes how it was set up, then types
    // the answer and accepts, or rejects it; returns what exec gave.
    int run(CustomFileDialog &dialog, const QString &typed, bool accept, Seen *noted = nullptr)
    {
        Seen seen;
        auto *timer = new QTimer(this);
        timer->setInterval(20);
        connect(timer, &QTimer::timeout, this, [&, timer] {
            auto *shown = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!shown || !shown->isVisible())
                return;
            timer->stop();
            timer->deleteLater();
            seen = { shown->windowTitle(), shown->directory().absolutePath(), shown->fileMode(),
                shown->testOption(QFileDialog::ShowDirsOnly), shown->nameFilters() };
            if (!accept) {
                shown->reject();
                return;
            }
            shown->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(typed);
            static_cast<QDialog *>(shown)->accept(); // QFileDialog hides its override
        });
        timer->start();
        const QPointer<QTimer> pending(timer);
        const int result = dialog.exec();
        delete pending.data(); // the dialog never showed
        if (noted)
            *noted = seen;
        return result;
    }

    QTemporaryDir scratch;
    QTemporaryDir files;
    QString probeOut;
};

QTEST_MAIN(DialogCommandsTest)
#include "tst_dialogcommands.moc"
