// The INI reader against QSettings itself: for every text below both read
// the same file, and every key, every group list and every value must come
// out alike (arbitrary bytes: fuzz_inifile). Then what the reader adds:
// Windows' key case, texts as written. (A rewrite that keeps size and
// timestamp, which QSettings' cache would miss: the check button's state
// file in tst_launchbutton. Pipes and oversized files are refused by the
// plain file reader beneath, tst_platform, and met by the real program in
// tst_hostilemedium.)
#include <QtTest>

#include <QSettings>

#include "config/inifile.h"
#include "testsupport.h"

namespace {

// Lists by their items, anything else by the text the reader takes from it.
QString describe(const QVariant &value)
{
    const bool list = value.type() == QVariant::StringList || value.type() == QVariant::List;
    return (list ? QLatin1String(value.typeName()) + QLatin1Char(':') + value.toStringList().join(QLatin1Char('|'))
                 : QStringLiteral("text:") + value.toString());
}

} // namespace

class TestIniFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    int written = 0;

    QString write(const QByteArray &text)
    {
        const QString path = dir.filePath(QStringLiteral("f%1.ini").arg(++written));
        TestSupport::writeFile(path, text);
        return path;
    }

private slots:
    void initTestCase() { TestSupport::isolate(); }

    void readsAsQSettingsReads_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("top-level keys and General")
            << QByteArray("drop=1\n[General]\nmore=2\n[%General]\nodd=3\n[properties]\nx=1\n");
        QTest::newRow("blanks around keys and values")
            << QByteArray("[ click ]\n  path =  tools/a b.exe  \n\ttype\t=\t3\t\n");
        QTest::newRow("comments") << QByteArray(
            "; a comment\n[properties] ; after a section\nicon=a.png ; trailing\n;key=no\n# hash=yes\ntitle=a;b\n");
        QTest::newRow("quotes") << QByteArray(
            "[p]\na=\"  spaced  \"\nb=\"semi;colon\"\nc=\"comma, inside\"\nd=\"open\ne=x\"y\"z\n");
        QTest::newRow("lists") << QByteArray("[click]\nargs=--a, b ,\"c, d\", e\next=.pdf,\nsingle=,\nempty=\n");
        QTest::newRow("escapes") << QByteArray(
            "[p]\na=tab\\there\nb=line\\nbreak\nc=\\x41\\x4a\nd=\\101\\102x\ne=back\\\\slash\nf=drop\\qme\n"
            "g=\\\"q\\\"\nh=end\\\ni=wrapped\\\n  on\nj=trail\\ \n");
        QTest::newRow("at forms") << QByteArray(
            "[p]\na=@@at\nb=@ByteArray(bytes)\nc=@Invalid()\nd=@plain\ne=@Rect(1 2 3 4)\nf=@@x, @@y\ng=@x, y\n");
        QTest::newRow("key escapes") << QByteArray(
            "[p]\nkey%20one=1\nkey%U00e9=2\nback\\slash=3\nbad%zz=4\nsigned%-aa=7\nend%=5\n[sec%2fsub]\nk=6\n");
        QTest::newRow("nested and slashed") << QByteArray("[a/b]\nc=1\n[a]\nd=2\ntop/x=3\n[empty]\n[other]\n=nokey\n");
        QTest::newRow("repeated keys and sections") << QByteArray("[p]\nx=1\nx=2\n[q]\ny=1\n[p]\nx=3\nz=4\n");
        QTest::newRow("utf-8 and bom") << QByteArray(
            "\xef\xbb\xbf[properties]\ntitle=Verifica \xc3\xa8 firma\ntitle.it=\xe2\x82\xac\n");
        QTest::newRow("invalid utf-8") << QByteArray("[p]\na=\xff\xfe bad\nb=\xc3\n");
        QTest::newRow("line ends") << QByteArray("[p]\r\na=1\r\nb=2\rc=3\n\n\r\n[q]\rd=4");
        QTest::newRow("case") << QByteArray("[Click]\nType=1\n[click]\ntype=2\n[CLICK_linux]\nPath=x\n");
    }

    void readsAsQSettingsReads()
    {
        QFETCH(QByteArray, text);
        QSettings settings(write(text), QSettings::IniFormat);
        settings.setIniCodec("UTF-8");
        IniFile ini = IniFile::fromData(text, false);
        // The key lines kept for a tool: the last one of each key holds the
        // value read.
        QHash<QString, QVariant> last;
        const IniFile lines = IniFile::fromData(text, false, IniFile::Lines::Keep);
        for (const IniFile::Entry &entry : lines.entries())
            if (!entry.key.isEmpty()) // a key QSettings cannot look up
                last.insert(entry.section.isEmpty() ? entry.key : entry.section + '/' + entry.key, entry.value);
        for (const QString &key : settings.allKeys()) {
            QCOMPARE(ini.contains(key), settings.contains(key));
            QCOMPARE(describe(ini.value(key)), describe(settings.value(key)));
            QCOMPARE(describe(last.value(key)), describe(settings.value(key)));
        }
        // The same looked up through groups.
        QCOMPARE(ini.childGroups(), settings.childGroups());
        for (const QString &group : settings.childGroups()) {
            settings.beginGroup(group);
            ini.beginGroup(group);
            QCOMPARE(ini.childGroups(), settings.childGroups());
            for (const QString &key : settings.childKeys())
                QCOMPARE(describe(ini.value(key)), describe(settings.value(key)));
            settings.endGroup();
            ini.endGroup();
        }
        // Known once QSettings has read the file.
        QCOMPARE(ini.isWellFormed(), settings.status() == QSettings::NoError);
    }

    void ignoresKeyCaseWhereThePlatformDoes()
    {
        IniFile ini = IniFile::fromData("[Click]\nType=1\n[click]\ntype=2\n", true);
        QCOMPARE(ini.childGroups().size(), 1);
        ini.beginGroup(QStringLiteral("cLiCk"));
        QCOMPARE(ini.value(QStringLiteral("TYPE")).toString(), QStringLiteral("2"));
    }

    // A text as written: the list QSettings would make is joined back with
    // the commas and blanks the file has.
    void textAsWritten_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("text");
        QTest::newRow("comma and blank") << QByteArray("t=Apri, salva") << QStringLiteral("Apri, salva");
        QTest::newRow("blanks around") << QByteArray("t = a ,  b , c ") << QStringLiteral("a ,  b , c");
        QTest::newRow("quoted") << QByteArray("t=\"a, b\"") << QStringLiteral("a, b");
        QTest::newRow("quoted part") << QByteArray("t=\"a \", b") << QStringLiteral("a , b");
        QTest::newRow("at sign") << QByteArray("t=@@x, y") << QStringLiteral("@x, y");
        QTest::newRow("trailing comma") << QByteArray("t=a,") << QStringLiteral("a,");
    }
    void textAsWritten()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, text);
        for (const bool ignoreCase : { false, true }) {
            IniFile ini = IniFile::fromData("[p]\n" + line + "\n", ignoreCase);
            QCOMPARE(ini.text(QStringLiteral("p/t")), text);
            ini.beginGroup(QStringLiteral("p"));
            QCOMPARE(ini.text(QStringLiteral("t")), text);
        }
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
