// The issuer's signature beside the background digest: made and checked by
// gatepoint-skin, demanded by a launcher built with the issuer's public key,
// where a picture signed with the digest alone, or by another key, is
// refused; the default launcher keeps reading both kinds by their digest.
#include <QtTest>

#include <QProcess>

#include "../window/windowfixture.h"
#include "config/backgroundsignature.h"
#include "testsupport.h"

namespace {

QByteArray picture; // a background, made once the application exists

QByteArray testKey(BackgroundSignature::KeyKind kind)
{
#ifdef GATEPOINT_TEST_ISSUER_KEYS
    QByteArray key;
    const QString path = QStringLiteral(GATEPOINT_TEST_ISSUER_KEYS)
        + (kind == BackgroundSignature::KeyKind::Public ? QStringLiteral(".pub") : QStringLiteral(".key"));
    if (BackgroundSignature::readKeyFile(path, kind, key))
        return key;
#else
    Q_UNUSED(kind)
#endif
    return QByteArray();
}

TestSupport::Finished skinTool(const QStringList &arguments)
{
    return TestSupport::runProgram(TestSupport::skinToolPath(), arguments);
}

} // namespace

class IssuerSignatureTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        picture = TestSupport::pngBytes(600, 300, Qt::darkBlue);
        if (!BackgroundSignature::issuerSignaturesAvailable())
            QSKIP("built without the crypto library");
        secretKey = testKey(BackgroundSignature::KeyKind::Secret);
        publicKey = testKey(BackgroundSignature::KeyKind::Public);
        QCOMPARE(secretKey.size(), BackgroundSignature::issuerSecretKeyLength);
        QCOMPARE(BackgroundSignature::issuerPublicKeyOf(secretKey), publicKey);
        QVERIFY(BackgroundSignature::makeIssuerKeys(otherPublic, otherSecret));
    }

    void contentChecks_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("digestValid");
        QTest::addColumn<bool>("issuerValid");
        const QByteArray good = BackgroundSignature::signAsIssuer(picture, secretKey);
        QByteArray signatureChanged = good.left(good.size() - BackgroundSignature::digestLength);
        signatureChanged[picture.size() + 3] = char(signatureChanged.at(picture.size() + 3) ^ 0x01);
        signatureChanged = BackgroundSignature::sign(signatureChanged);
        QByteArray pictureChanged = good.left(good.size() - BackgroundSignature::digestLength);
        pictureChanged[40] = char(pictureChanged.at(40) ^ 0x01);
        pictureChanged = BackgroundSignature::sign(pictureChanged);
        QTest::newRow("issuer-signed") << good << true << true;
        QTest::newRow("digest alone") << BackgroundSignature::sign(picture) << true << false;
        QTest::newRow("re-signed with the digest alone") << signatureChanged << true << false;
        QTest::newRow("picture changed, digest made again") << pictureChanged << true << false;
        QTest::newRow("another issuer") << BackgroundSignature::signAsIssuer(picture, otherSecret) << true << false;
        QTest::newRow("digest broken") << good.left(good.size() - 1) + 'x' << false << false;
        QTest::newRow("no digest") << picture << false << false;
    }
    void contentChecks()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, digestValid);
        QFETCH(bool, issuerValid);
        QCOMPARE(BackgroundSignature::isValid(content), digestValid);
        QCOMPARE(BackgroundSignature::hasIssuerSignature(content, publicKey), issuerValid);
    }

    void keyFiles_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("as written") << BackgroundSignature::keyFileText(BackgroundSignature::KeyKind::Public, publicKey)
                                    << true;
        QTest::newRow("secret for public")
            << BackgroundSignature::keyFileText(BackgroundSignature::KeyKind::Secret, secretKey) << false;
        QTest::newRow("short key") << QByteArray("gatepoint issuer public key\nAAAA\n") << false;
        QTest::newRow("no label") << publicKey.toBase64() + '\n' << false;
    }
    void keyFiles()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, valid);
        QTemporaryDir dir;
        QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("k")), text));
        QByteArray key;
        QString error;
        QCOMPARE(BackgroundSignature::readKeyFile(
                     dir.filePath(QStringLiteral("k")), BackgroundSignature::KeyKind::Public, key, &error),
            valid);
        QCOMPARE(error.isEmpty(), valid);
        if (valid)
            QCOMPARE(key, publicKey);
    }

    // keygen, sign --key and verify --key as an issuer uses them.
    void toolSignsAndChecks()
    {
        QTemporaryDir dir;
        const QString secret = dir.filePath(QStringLiteral("issuer.key"));
        const QString pub = dir.filePath(QStringLiteral("issuer.pub"));
        QCOMPARE(skinTool({ QStringLiteral("keygen"), secret, pub }).code, 0);
        // The owner reads and writes it; nobody else has any access.
        QCOMPARE(int(QFileInfo(secret).permissions() & 0x7077), int(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        // An existing key is never replaced.
        QCOMPARE(skinTool({ QStringLiteral("keygen"), secret, dir.filePath(QStringLiteral("x.pub")) }).code, 1);

        const QString bg = dir.filePath(QStringLiteral("bg.png"));
        QVERIFY(TestSupport::writeFile(bg, picture));
        QCOMPARE(skinTool({ QStringLiteral("sign"), QStringLiteral("--key"), secret, bg }).code, 0);
        QCOMPARE(skinTool({ QStringLiteral("verify"), QStringLiteral("--key=") + pub, bg }).code, 0);
        QCOMPARE(skinTool({ QStringLiteral("verify"), bg }).code, 0);
        // Signed again by the issuer: the earlier signature goes.
        QCOMPARE(
            skinTool({ QStringLiteral("sign"), QStringLiteral("--replace"), QStringLiteral("--key"), secret, bg }).code,
            0);
        QCOMPARE(QFileInfo(bg).size(),
            picture.size() + BackgroundSignature::issuerSignatureLength + BackgroundSignature::digestLength);
        QCOMPARE(skinTool({ QStringLiteral("verify"), QStringLiteral("--key"), pub, bg }).code, 0);

        // Changed and re-signed with the digest alone: the digest passes,
        // the issuer's check does not.
        QByteArray changed = picture;
        changed[50] = char(changed.at(50) ^ 0x01);
        QVERIFY(TestSupport::writeFile(bg, changed));
        QCOMPARE(skinTool({ QStringLiteral("sign"), bg }).code, 0);
        QCOMPARE(skinTool({ QStringLiteral("verify"), bg }).code, 0);
        QCOMPARE(skinTool({ QStringLiteral("verify"), QStringLiteral("--key"), pub, bg }).code, 1);

        QCOMPARE(skinTool({ QStringLiteral("sign"), QStringLiteral("--key") }).code, 2);
        QCOMPARE(skinTool({ QStringLiteral("verify"), QStringLiteral("--key"), secret, bg }).code, 1);
    }

    // The real launchers on one medium: the issuer's build starts only on
    // the issuer-signed picture, the default build on both.
    void launchers_data()
    {
        QTest::addColumn<bool>("issuerBuild");
        QTest::addColumn<bool>("issuerSigned");
        QTest::addColumn<bool>("starts");
        QTest::newRow("issuer build, issuer-signed") << true << true << true;
        QTest::newRow("issuer build, digest alone") << true << false << false;
        QTest::newRow("default build, issuer-signed") << false << true << true;
        QTest::newRow("default build, digest alone") << false << false << true;
    }
    void launchers()
    {
#ifndef GATEPOINT_ISSUER_BINARY
        QSKIP("the issuer's launcher is not built");
#else
        QFETCH(bool, issuerBuild);
        QFETCH(bool, issuerSigned);
        QFETCH(bool, starts);
        LinksFolder links;
        const QString program = links.layOutMedium();
        if (issuerBuild) {
            QFile::remove(program);
            QVERIFY(QFile::copy(QStringLiteral(GATEPOINT_ISSUER_BINARY), program));
        }
        links.write(QStringLiteral("bg.png"),
            issuerSigned ? BackgroundSignature::signAsIssuer(picture, secretKey) : BackgroundSignature::sign(picture));
        links.write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n");
        links.probeLink(QStringLiteral("probe.link"), 1);
        const QString probeOut = links.probeOut();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GP_PROBE_OUT"), probeOut);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), links.root.path());
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("gatepoint.config.debug=true"));

        QProcess launcher;
        launcher.setProcessEnvironment(env);
        launcher.setProcessChannelMode(QProcess::MergedChannels);
        launcher.start(program, { QStringLiteral("probe"), QStringLiteral("a b") });
        QVERIFY(launcher.waitForStarted());
        if (starts) {
            QVERIFY(launcher.waitForFinished(30000));
            QCOMPARE(launcher.exitCode(), 0);
            const auto records = TestSupport::waitForProbeRecords(probeOut, 1);
            QCOMPARE(records.size(), 1);
            QCOMPARE(records.first().rawArguments, QList<QByteArray> { "a b" });
            return;
        }
        // Refused: the launcher says why and shows its start-up message,
        // which nobody answers here.
        QByteArray output;
        QVERIFY(QTest::qWaitFor(
            [&] {
                output += launcher.readAll();
                return output.contains("no valid issuer signature") || launcher.state() == QProcess::NotRunning;
            },
            30000));
        launcher.kill();
        launcher.waitForFinished();
        QVERIFY(output.contains("no valid issuer signature"));
        QVERIFY(TestSupport::readProbeRecords(probeOut).isEmpty());
#endif
    }

private:
    QByteArray secretKey;
    QByteArray publicKey;
    QByteArray otherSecret;
    QByteArray otherPublic;
};

QTEST_MAIN(IssuerSignatureTest)
#include "tst_issuersignature.moc"
