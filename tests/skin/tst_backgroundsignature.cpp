#include "config/backgroundsignature.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class BackgroundSignatureTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::isolate(); }

    void contentValidity_data();
    void contentValidity();
    void digestIsKeyed();
    void verifyFile_data();
    void verifyFile();
    void oversizedFileIsRefused();
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
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("19 bytes") << QByteArray(19, '\0') << false;
    QTest::newRow("digest of an empty payload") << BackgroundSignature::sign(QByteArray()) << true;
}

void BackgroundSignatureTest::contentValidity()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, valid);
    QCOMPARE(BackgroundSignature::isValid(content), valid);
}

void BackgroundSignatureTest::digestIsKeyed()
{
    // A plain SHA-1 of the picture must not pass: anybody could forge that.
    const QByteArray plain = QCryptographicHash::hash(picture, QCryptographicHash::Sha1);
    QCOMPARE(plain.size(), BackgroundSignature::digestLength);
    QVERIFY(BackgroundSignature::digestFor(picture) != plain);
    QVERIFY(!BackgroundSignature::isValid(picture + plain));
    QCOMPARE(BackgroundSignature::digestFor(picture).size(), BackgroundSignature::digestLength);
}

void BackgroundSignatureTest::verifyFile_data()
{
    QTest::addColumn<QString>("name"); // empty: no path at all
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("create");
    QTest::addColumn<bool>("valid");

    QTest::newRow("signed file") << "bg.png" << BackgroundSignature::sign(picture) << true << true;
    QTest::newRow("short file") << "bg.png" << QByteArray("tiny") << true << false;
    QTest::newRow("missing file") << "absent.png" << QByteArray() << false << false;
    QTest::newRow("empty path") << QString() << QByteArray() << false << false;
    QTest::newRow("folder") << "." << QByteArray() << false << false;
}

void BackgroundSignatureTest::verifyFile()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, create);
    QFETCH(bool, valid);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = name.isEmpty() ? QString() : dir.filePath(name);
    if (create)
        QVERIFY(TestSupport::writeFile(path, content));
    QCOMPARE(BackgroundSignature::verifyFile(path), valid);
}

void BackgroundSignatureTest::oversizedFileIsRefused()
{
    // A sparse file: large on paper, cheap on disk. Its tail is a valid
    // digest of nothing in particular; the size cap must reject it unread.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
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
