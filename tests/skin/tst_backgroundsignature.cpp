// The background's keyed digest and the issuer's signature beside it: what
// passes, what does not, files that are missing or no files;
// both made and checked by gatepoint-skin; the issuer's signature demanded
// by a launcher built with the issuer's public key, where a picture signed
// with the digest alone is refused.
#include <QtTest>

#include <QCryptographicHash>
#include <QProcess>

#include "../window/windowfixture.h"

using namespace BackgroundSignature;

namespace {

QByteArray picture; // a background, made once the application exists

int tool(const QStringList &arguments)
{
    return TestSupport::runProgram(TestSupport::skinToolPath(), arguments).code;
}

QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray flipped(QByteArray bytes, int at)
{
    bytes[at] = char(bytes.at(at) ^ 0x01);
    return bytes;
}

} // namespace

class BackgroundSignatureTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        picture = TestSupport::pngBytes(600, 300, Qt::darkBlue);
#ifdef GATEPOINT_TEST_ISSUER_KEYS
        QVERIFY(readKeyFile(GATEPOINT_TEST_ISSUER_KEYS ".key", KeyKind::Secret, secretKey));
        QVERIFY(readKeyFile(GATEPOINT_TEST_ISSUER_KEYS ".pub", KeyKind::Public, publicKey));
        QCOMPARE(issuerPublicKeyOf(secretKey), publicKey);
        QVERIFY(makeIssuerKeys(otherPublic, otherSecret));
#endif
    }
    void init()
    {
        if (QByteArray(QTest::currentTestFunction()).startsWith("issuer") && !issuerSignaturesAvailable())
            QSKIP("built without the crypto library");
    }

    void contentChecks_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("digestValid");
        QTest::addColumn<bool>("issuerValid");
        const QByteArray good = sign(picture);
        QTest::newRow("digest alone") << good << true << false;
        QTest::newRow("one picture bit flipped") << flipped(good, 10) << false << false;
        QTest::newRow("no digest") << picture << false << false;
        // A plain SHA-1 of the picture must not pass: anybody could forge that.
        QTest::newRow("unkeyed digest") << picture + QCryptographicHash::hash(picture, QCryptographicHash::Sha1)
                                        << false << false;
        if (!issuerSignaturesAvailable())
            return;
        const QByteArray issued = signAsIssuer(picture, secretKey);
        const QByteArray signedPart = issued.left(issued.size() - digestLength);
        QTest::newRow("issuer-signed") << issued << true << true;
        QTest::newRow("signature changed, digest made again")
            << sign(flipped(signedPart, picture.size() + 3)) << true << false;
        QTest::newRow("picture changed, digest made again") << sign(flipped(signedPart, 40)) << true << false;
        QTest::newRow("another issuer") << signAsIssuer(picture, otherSecret) << true << false;
    }
    void contentChecks()
    {
        QFETCH(QByteArray, content);
        QTEST(isValid(content), "digestValid");
        if (issuerSignaturesAvailable())
            QTEST(hasIssuerSignature(content, publicKey), "issuerValid");
    }

    // (Pipes and oversized files: the plain file reader beneath, in
    // tst_platform.)
    void files()
    {
        QTemporaryDir dir;
        QVERIFY(TestSupport::writeFile(dir.filePath("bg.png"), sign(picture)));
        QVERIFY(verifyFile(dir.filePath("bg.png")));
        for (const QString &path : { dir.filePath("absent.png"), QString(), dir.path() })
            QVERIFY(!verifyFile(path));
    }

    // sign and verify as a skin author uses them: a signed file is signed
    // again only with --replace, which gives the same bytes.
    void toolSignsAndVerifies()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("bg.png");
        QVERIFY(TestSupport::writeFile(path, picture));
        QCOMPARE(tool({ "verify", path }), 1);
        QCOMPARE(tool({ "verify", dir.filePath("missing.png") }), 1);
        QCOMPARE(tool({ "sign", path }), 0);
        QCOMPARE(read(path), sign(picture));
        QCOMPARE(tool({ "verify", path }), 0);
        QCOMPARE(tool({ "sign", path }), 1);
        QCOMPARE(read(path), sign(picture));
        QCOMPARE(tool({ "sign", path, "--replace" }), 0);
        QCOMPARE(read(path), sign(picture));
    }

    // keygen, sign --key and verify --key as an issuer uses them.
    void issuerTool()
    {
        QTemporaryDir dir;
        const QString secret = dir.filePath("issuer.key");
        const QString pub = dir.filePath("issuer.pub");
        QCOMPARE(tool({ "keygen", secret, pub }), 0);
        // The owner reads and writes it; nobody else has any access.
        QCOMPARE(int(QFileInfo(secret).permissions() & 0x7077), int(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        // An existing key is never replaced.
        QCOMPARE(tool({ "keygen", secret, dir.filePath("x.pub") }), 1);

        const QString bg = dir.filePath("bg.png");
        QVERIFY(TestSupport::writeFile(bg, picture));
        QCOMPARE(tool({ "sign", "--key", secret, bg }), 0);
        // Signed again by the issuer: the earlier signature goes.
        QCOMPARE(tool({ "sign", "--replace", "--key", secret, bg }), 0);
        QCOMPARE(QFileInfo(bg).size(), picture.size() + issuerSignatureLength + digestLength);
        QCOMPARE(tool({ "verify", "--key=" + pub, bg }), 0);
        // Changed and re-signed with the digest alone: the issuer's check fails.
        QVERIFY(TestSupport::writeFile(bg, flipped(picture, 50)));
        QCOMPARE(tool({ "sign", bg }), 0);
        QCOMPARE(tool({ "verify", "--key", pub, bg }), 1);
        QCOMPARE(tool({ "verify", "--key", secret, bg }), 1);
    }

    // The issuer's launcher starts only on the issuer-signed picture. (The
    // default build on the digest alone: every other suite; on an
    // issuer-signed picture: its digest, in contentChecks.)
    void issuerLaunchers_data()
    {
        QTest::addColumn<bool>("issuerSigned");
        QTest::newRow("issuer-signed") << true;
        QTest::newRow("digest alone") << false;
    }
    void issuerLaunchers()
    {
#ifndef GATEPOINT_ISSUER_BINARY
        QSKIP("the issuer's launcher is not built");
#else
        QFETCH(bool, issuerSigned);
        LinksFolder links;
        const QString program = links.layOutMedium();
        QFile::remove(program);
        QVERIFY(QFile::copy(QStringLiteral(GATEPOINT_ISSUER_BINARY), program));
        links.write("bg.png", issuerSigned ? signAsIssuer(picture, secretKey) : sign(picture));
        links.write("launcher.conf", "[app]\nbackground=bg.png\n");
        links.probeLink("probe.link", 1);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("GP_PROBE_OUT", links.probeOut());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", links.root.path());
        env.insert("QT_LOGGING_RULES", "gatepoint.config.debug=true");
        QProcess launcher;
        launcher.setProcessEnvironment(env);
        launcher.setProcessChannelMode(QProcess::MergedChannels);
        launcher.start(program, { "probe", "a b" });
        QVERIFY(launcher.waitForStarted());
        if (issuerSigned) {
            QVERIFY(launcher.waitForFinished(30000));
            QCOMPARE(launcher.exitCode(), 0);
            const auto records = TestSupport::waitForProbeRecords(links.probeOut(), 1);
            QCOMPARE(records.size(), 1);
            QCOMPARE(records.first().rawArguments, QList<QByteArray> { "a b" });
            return;
        }
        // Refused: the launcher says why and shows its start-up message,
        // which nobody answers here.
        QByteArray output;
        const char refusal[] = "no valid issuer signature";
        QVERIFY(QTest::qWaitFor(
            [&] {
                return (output += launcher.readAll()).contains(refusal) || launcher.state() == QProcess::NotRunning;
            },
            30000));
        launcher.kill();
        launcher.waitForFinished();
        QVERIFY(output.contains(refusal));
        QVERIFY(TestSupport::readProbeRecords(links.probeOut()).isEmpty());
#endif
    }

private:
    QByteArray secretKey;
    QByteArray publicKey;
    QByteArray otherSecret;
    QByteArray otherPublic;
};

QTEST_MAIN(BackgroundSignatureTest)
#include "tst_backgroundsignature.moc"
