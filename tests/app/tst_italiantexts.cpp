// The launcher's own Italian texts are written with accented letters, and
// the compiled catalogues still find them; only the start-up texts that the
// token's documentation quotes keep their apostrophes.
#include "testsupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QTranslator>
#include <QtTest>

class ItalianTextsTest final : public QObject {
    Q_OBJECT

private slots:
    void sourcesUseAccentedLetters();
    void englishCatalogueFindsAccentedSources();
};

void ItalianTextsTest::sourcesUseAccentedLetters()
{
    QFile ts(GATEPOINT_SOURCE_DIR "/translations/gatepoint_it.ts");
    QVERIFY(ts.open(QIODevice::ReadOnly));
    const QSet<QString> quoted = { "E&apos; gia&apos; in esecuzione un&apos;altra istanza del processo" };
    static const QRegularExpression source("<source>(.*)</source>");
    static const QRegularExpression apostropheAccent("[aeiou]&apos;(\\s|$)");
    QRegularExpressionMatchIterator it = source.globalMatch(QString::fromUtf8(ts.readAll()));
    while (it.hasNext()) {
        const QString text = it.next().captured(1);
        QVERIFY2(quoted.contains(text) || !apostropheAccent.match(text).hasMatch(), qPrintable(text));
    }
}

void ItalianTextsTest::englishCatalogueFindsAccentedSources()
{
    QTranslator catalogue;
    QVERIFY(catalogue.load("gatepoint_en", GATEPOINT_BUILD_DIR "/demo-medium/Commons"));
    QCOMPARE(catalogue.translate("StartFailureNotice", "l'unità del token non è disponibile"),
        QStringLiteral("the token's drive is not available"));
}

QTEST_GUILESS_MAIN(ItalianTextsTest)
#include "tst_italiantexts.moc"
