#pragma once

#include <QByteArray>
#include <QString>

// The digest that a skin background carries in its last 20 bytes: SHA-1 of
// the picture followed by a constant that only the launcher and the skin
// tool know. A background without a valid digest stops the start-up, so a
// medium cannot be re-skinned by swapping one picture.
namespace BackgroundSignature {

// Length of the appended digest (a SHA-1 result).
constexpr int digestLength = 20;

// Largest background file that is read at all; anything bigger is refused
// before it is loaded, so a hostile file cannot exhaust memory.
constexpr qint64 maximumFileSize = 64 * 1024 * 1024;

// SHA-1 of payload followed by the constant.
QByteArray digestFor(const QByteArray &payload);

// True when the last 20 bytes equal digestFor(the bytes before them).
// Content shorter than 20 bytes is never valid.
bool isValid(const QByteArray &content);

// Reads the file (up to maximumFileSize) and checks it as isAcceptable
// does. A missing, empty, unreadable, oversized or too short file is
// invalid.
bool verifyFile(const QString &path);

// payload followed by digestFor(payload).
QByteArray sign(const QByteArray &payload);

// Reads a whole file of at most maximumFileSize bytes into content.
// Returns false (leaving an explanation in error when given) otherwise.
bool readCapped(const QString &path, QByteArray &content, QString *error = nullptr);

// --- The issuer's signature -------------------------------------------------
//
// The digest proves that a picture was not changed since it was signed, but
// anybody who has the program can sign: it does not prove who made the skin.
// A token's issuer may build the launcher with the issuer's public key; the
// launcher then also demands an Ed25519 signature made with the issuer's
// private key, which never leaves the issuer. Such a picture carries
//     picture, signature (64 bytes), digest of both (20 bytes)
// so a launcher built without the key still finds a valid digest at the end.

constexpr int issuerSignatureLength = 64;
constexpr int issuerPublicKeyLength = 32;
constexpr int issuerSecretKeyLength = 64;

// Whether this build can make and check issuer signatures at all.
bool issuerSignaturesAvailable();

// From now on a background is valid only with a valid digest and a valid
// issuer signature by this public key (called once, at start-up, by a
// program built with the key). A key of the wrong length refuses every
// background.
void requireIssuerSignature(const QByteArray &publicKey);

// The public key that requireIssuerSignature was given; empty when only the
// digest is checked.
QByteArray requiredIssuerKey();

// A new key pair. False when this build cannot make one.
bool makeIssuerKeys(QByteArray &publicKey, QByteArray &secretKey);

// The public half of a secret key (empty for a malformed one).
QByteArray issuerPublicKeyOf(const QByteArray &secretKey);

// payload, its issuer signature and the digest of both; empty when the key
// is malformed or this build cannot sign.
QByteArray signAsIssuer(const QByteArray &payload, const QByteArray &secretKey);

// A valid digest, and before it a valid issuer signature of the picture by
// this key.
bool hasIssuerSignature(const QByteArray &content, const QByteArray &publicKey);

// What a background checked as the launcher checks it reads as: the digest,
// and the issuer signature where one is required.
bool isAcceptable(const QByteArray &content);

// Key files: a first line naming the kind of key, a second with the key in
// Base64. The build reads the public key file the same way.
enum class KeyKind { Public, Secret };
QByteArray keyFileText(KeyKind kind, const QByteArray &key);
bool readKeyFile(const QString &path, KeyKind kind, QByteArray &key, QString *error = nullptr);

} // namespace BackgroundSignature
