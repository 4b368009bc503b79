#include "config/backgroundsignature.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QtTest>

#include <sys/stat.h>

// The background's keyed digest: what passes, what does not, and files that
// are no pictures or too large to read.
class BackgroundSignatureTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }
    void contentValidity_data();
    void contentValidity();
    void files();
};

namespace {
const QByteArray picture = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(300, 'p');
}

void BackgroundSignatureTest::contentValidity_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("valid");
    const QByteArray good = BackgroundSignature::sign(picture);
    QByteArray payloadChanged = good;
    payloadChanged[10] = payloadChanged.at(10) ^ 0x01;
    QByteArray digestChanged = good;
    digestChanged[digestChanged.size() - 1] = digestChanged.at(digestChanged.size() - 1) ^ 0x80;
    QTest::newRow("signed picture") << good << true;
    QTest::newRow("one payload bit flipped") << payloadChanged << false;
    QTest::newRow("one digest bit flipped") << digestChanged << false;
    QTest::newRow("unsigned picture") << picture << false;
    // A plain SHA-1 of the picture must not pass: anybody could forge that.
    QTest::newRow("unkeyed digest") << picture + QCryptographicHash::hash(picture, QCryptographicHash::Sha1) << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("digest of an empty payload") << BackgroundSignature::sign(QByteArray()) << true;
}

void BackgroundSignatureTest::contentValidity()
{
    QFETCH(QByteArray, content);
    QTEST(BackgroundSignature::isValid(content), "valid");
}

void BackgroundSignatureTest::files()
{
    QTemporaryDir dir;
    QVERIFY(TestSupport::writeFile(dir.filePath("bg.png"), BackgroundSignature::sign(picture)));
    QVERIFY(BackgroundSignature::verifyFile(dir.filePath("bg.png")));
    QVERIFY(!BackgroundSignature::verifyFile(dir.filePath("absent.png")));
    QVERIFY(!BackgroundSignature::verifyFile(QString()));
    QVERIFY(!BackgroundSignature::verifyFile(dir.path()));
    // A pipe is refused without being opened, which would block.
    const QString pipe = dir.filePath("pipe.png");
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QVERIFY(!BackgroundSignature::verifyFile(pipe));

    // A sparse file, large on paper: the size cap rejects it unread.
    QFile file(dir.filePath("huge.png"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(BackgroundSignature::maximumFileSize + 1));
    file.close();
    QByteArray content;
    QString error;
    QVERIFY(!BackgroundSignature::readCapped(file.fileName(), content, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(content.isEmpty());
    QVERIFY(!BackgroundSignature::verifyFile(file.fileName()));
}

QTEST_MAIN(BackgroundSignatureTest)
#include "tst_backgroundsignature.moc"
