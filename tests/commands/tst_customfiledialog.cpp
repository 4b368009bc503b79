// The file and folder question, answered through Qt's own dialog the way a
// user would: type a path, accept.

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "testsupport.h"
#include "commands/customfiledialog.h"

namespace {

struct Seen {
    QString title;
    QString directory;
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
    bool dirsOnly = false;
    QStringList filters;
};

} // namespace

class CustomFileDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        QVERIFY(TestSupport::writeFile(scratch.filePath(QStringLiteral("a.txt")), "a"));
        QVERIFY(TestSupport::writeFile(scratch.filePath(QStringLiteral("b c.txt")), "b"));
        QVERIFY(QDir(scratch.path()).mkdir(QStringLiteral("sub")));
    }

    void answersThroughTheRealDialog_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("title");
        const QString a = scratch.filePath(QStringLiteral("a.txt"));
        const QString bc = scratch.filePath(QStringLiteral("b c.txt"));
        QTest::newRow("one file") << 0 << "b c.txt" << QStringList { bc } << "Apri";
        QTest::newRow("several files") << 3 << "\"a.txt\" \"b c.txt\"" << QStringList { a, bc } << "Apri";
        QTest::newRow("folder") << 4 << scratch.filePath(QStringLiteral("sub"))
                                << QStringList { scratch.filePath(QStringLiteral("sub")) } << "Seleziona una cartella";
    }
    void answersThroughTheRealDialog()
    {
        QFETCH(int, mode);
        QFETCH(QString, typed);
        CustomFileDialog dialog;
        dialog.setFileMode(mode);
        dialog.setFileMode(7); // not a mode: changes nothing
        dialog.setDirectory(QDir(scratch.path()));
        const QStringList filters { QStringLiteral("Text (*.txt)"), QStringLiteral("All files (*)") };
        dialog.setNameFilters(filters);
        Seen seen;
        QCOMPARE(run(dialog, typed, true, &seen), 1);
        QTEST(dialog.selectedFiles(), "selected");
        QTEST(seen.title, "title");
        QCOMPARE(seen.directory, scratch.path());
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
        dialog.setDirectory(QDir(scratch.path()));
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
};

QTEST_MAIN(CustomFileDialogTest)
#include "tst_customfiledialog.moc"
