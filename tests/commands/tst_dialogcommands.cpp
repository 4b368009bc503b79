// Commands that ask the user first and then hand over to RUN: what the
// question asks for, what the program receives, and that a cancel leaves
// everything as it was; and the question itself, answered through Qt's own
// dialog the way a user would: type a path, accept.

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QSettings>
#include <QtTest>

#include "commandharness.h"
#include "commands/customfiledialog.h"

using Harness::probeClick;
using Harness::runChain;

class DialogCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        QVERIFY(TestSupport::writeFile(files.filePath("a.txt"), "a"));
        QVERIFY(TestSupport::writeFile(files.filePath("b c.txt"), "b"));
        QVERIFY(QDir(files.path()).mkdir("sub"));
    }
    void init() { probeOut = Harness::probeOutput(scratch); }
    void cleanup() { CustomFileDialog::setResponder({}); }

    // What the question asks for, and what the program receives after the
    // button's own arguments.
    void chosenPathsReachTheProgram_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("filters");
        // "*.*" would hide names without a dot outside Windows.
        const QStringList all { "All files (*)" };
        const QStringList several { "/x/1.txt", "/x/2 b.txt" };
        const QString quoted = "/d/l'anno \"q\"/à.txt";
        const QString encoded = QString("/d/l\\'anno \\\"q\\\"/à.txt").toUtf8().toBase64();
        QTest::newRow("open file") << int(CommandType::OpenFile) << QStringList { "/data/a.txt" }
                                   << QStringList { "/data/a.txt" } << 0 << QStringList();
        QTest::newRow("several files") << int(CommandType::OpenMultipleFiles) << several
                                       << QStringList { "--massive-input" } + several << 3 << all;
        QTest::newRow("base64 with quotes") << int(CommandType::WinOpenFileBase64) << QStringList { quoted }
                                            << QStringList { "BASE64" + encoded } << 0 << all;
        QTest::newRow("folder") << int(CommandType::RunFolder) << QStringList { "/srv/my data" }
                                << QStringList { "/srv/my data" } << 2 << QStringList();
    }
    void chosenPathsReachTheProgram()
    {
        QFETCH(int, type);
        QFETCH(QStringList, chosen);
        QFETCH(QStringList, expected);
        int mode = -1;
        QStringList filters;
        CustomFileDialog::setResponder([&](const CustomFileDialog &dialog) {
            mode = dialog.mode();
            filters = dialog.nameFilters();
            return chosen;
        });
        QCOMPARE(runChain(type, probeClick({ "-v", "x" })).done, 1);
        QCOMPARE(
            TestSupport::waitForProbeRecords(probeOut, 1).value(0).arguments, QStringList({ "-v", "x" }) + expected);
        QTEST(mode, "mode");
        QTEST(filters, "filters");
        // A cancel runs nothing.
        CustomFileDialog::setResponder([](const CustomFileDialog &) { return QStringList(); });
        const Harness::ChainResult cancelled = runChain(type, probeClick({ "-v", "x" }));
        QCOMPARE(cancelled.done, 0);
        QVERIFY(!cancelled.quit);
        QCOMPARE(TestSupport::readProbeRecords(probeOut).size(), 1);
    }

    // A stored folder, a key the profile does not hold, no key at all.
    void folderQuestionStartsWhereTheProfileSays()
    {
        QTemporaryDir profile;
        QSettings(profile.filePath("default.conf"), QSettings::IniFormat).setValue("lastdir", scratch.path());
        QString startedIn;
        CustomFileDialog::setResponder([&](const CustomFileDialog &dialog) {
            startedIn = dialog.startPath();
            return QStringList();
        });
        auto parameters = probeClick();
        parameters.insert(Param::profile, profile.path());
        for (const QString &key : { QString("lastdir"), QString("other"), QString() }) {
            parameters.insert(Param::profileKey, key);
            runChain(CommandType::RunFolder, parameters);
            QCOMPARE(startedIn, key == "lastdir" ? scratch.path() : QDir::homePath());
        }
    }

    // The dialog starts in the folder it was given and asks for what the
    // mode says (an unknown mode changes nothing). A cancel then clears the
    // answer: a caller never picks up the path of an earlier question.
    void answersThroughTheRealDialog_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<int>("shownMode");
        const QString a = files.filePath("a.txt");
        const QString bc = files.filePath("b c.txt");
        QTest::newRow("one file") << 0 << "b c.txt" << QStringList { bc } << int(QFileDialog::ExistingFile);
        QTest::newRow("several files") << 3 << "\"a.txt\" \"b c.txt\"" << QStringList { a, bc }
                                       << int(QFileDialog::ExistingFiles);
        // Directories alone, as ShowDirsOnly sets it.
        QTest::newRow("folder") << 4 << files.filePath("sub") << QStringList { files.filePath("sub") } << 4;
    }
    void answersThroughTheRealDialog()
    {
        QFETCH(int, mode);
        QFETCH(QString, typed);
        CustomFileDialog dialog;
        dialog.setFileMode(mode);
        dialog.setFileMode(7);
        dialog.setDirectory(QDir(files.path()));
        dialog.setNameFilters({ "Text (*.txt)", "All files (*)" });
        QCOMPARE(answer(dialog, typed), 1);
        QTEST(dialog.selectedFiles(), "selected");
        QTEST(int(shownMode), "shownMode");
        QCOMPARE(shownFolder, files.path());
        QCOMPARE(answer(dialog, QString()), 0);
        QVERIFY(dialog.selectedFiles().isEmpty());
    }

private:
    // Waits for the modal file dialog, notes how it was set up, then types
    // the answer and accepts, or rejects it when there is none; returns what
    // exec gave.
    int answer(CustomFileDialog &dialog, const QString &typed)
    {
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *shown = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!shown || !shown->isVisible())
                return;
            poll.stop();
            shownMode = shown->fileMode();
            shownFolder = shown->directory().absolutePath();
            if (typed.isEmpty())
                return shown->reject();
            shown->findChild<QLineEdit *>("fileNameEdit")->setText(typed);
            static_cast<QDialog *>(shown)->accept(); // QFileDialog hides its override
        });
        poll.start(20);
        return dialog.exec();
    }

    QTemporaryDir scratch;
    QTemporaryDir files;
    QString probeOut;
    QFileDialog::FileMode shownMode = QFileDialog::AnyFile;
    QString shownFolder;
};

QTEST_MAIN(DialogCommandsTest)
#include "tst_dialogcommands.moc"
