#include "config/backgroundsignature.h"
#include "testsupport.h"
#include "widgets/launchbutton.h"
#include "window/appflags.h"
#include "window/mainwindow.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStateMachine>
#include <QtTest>

using Files = QMap<QString, QByteArray>;

namespace {

QByteArray link(const QByteArray &properties, const QByteArray &rest = QByteArray())
{
    return "[properties]\nicon=icon.png\n" + properties + rest;
}

// A skin whose only fault is in a.link.
Files aLink(const QByteArray &properties, const QByteArray &rest = QByteArray())
{
    return { { "a.link", link(properties, rest) } };
}

TestSupport::Finished lint(const QStringList &arguments)
{
    return TestSupport::runProgram(TestSupport::skinToolPath(), QStringList { "lint" } + arguments);
}

void fault(const char *name, const Files &files, const char *expected)
{
    QTest::newRow(name) << files << QString(expected);
}

} // namespace

// gatepoint-skin lint against a corpus of skins, each broken in one way.
class SkinLintTest final : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    int skinCount = 0;

    // A clean skin in a new folder, with files overwritten or added (a
    // name ending in "/" is a folder).
    QString makeSkin(const Files &files)
    {
        const QString folder = dir.filePath(QStringLiteral("skin%1").arg(++skinCount));
        Files all = {
            { "launcher.conf",
                "[app]\nbackground=background.png\npadding-left=0\npadding-top=10\n"
                "[button]\nwidth=50\nheight=50\nmargin-right=10\n" },
            { "background.png", BackgroundSignature::sign(TestSupport::pngBytes(400, 200)) },
            { "icon.png", TestSupport::pngBytes(50, 50) },
            { "ok.link",
                "[properties]\nicon=icon.png\npriority=1\ntitle.it=Avvia\ntitle.en_GB=Run\n"
                "[click]\ntype=RUN\npath=icon.png\n" },
        };
        all.insert(files);
        for (auto it = all.cbegin(); it != all.cend(); ++it) {
            if (it.key().endsWith('/'))
                QDir().mkpath(folder + '/' + it.key());
            else if (!TestSupport::writeFile(folder + '/' + it.key(), it.value()))
                return QString();
        }
        return folder;
    }

private slots:
    void initTestCase() { TestSupport::isolate(); }

    // One row per check; the finding as its line begins.
    void reportsFault_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<QString>("expected");
        fault("misspelt key", aLink("tittle=Run\n"),
            R"(a.link:3: warning: unknown key "tittle" in [properties]; did you mean "title"?)");
        fault("unknown group", aLink("", "[clik]\npath=icon.png\n"),
            "a.link:3: warning: unknown group [clik]; did you mean [click]?");
        fault("colour word", aLink("titlergb=red\n"), R"(a.link:3: warning: "red" is not a colour (r/g/b))");
        fault("number", aLink("priority=high\n"), R"(a.link:3: warning: "high" is not a whole number)");
        fault("boolean", aLink("titleshadow=yes\n"),
            R"(a.link:3: warning: "yes" is not a boolean for "titleshadow"; the launcher uses true)");
        fault("alignment is case-sensitive", aLink("titlealignment=Left\n"),
            R"(a.link:3: warning: "Left" is not an alignment)");
        fault("drop filter", { { "a.link", link("", "[ondrop]\nsubmenu=menu\nfilter=EXT:txt\n") }, { "menu/", {} } },
            R"(a.link:5: warning: "EXT:txt" is not a drop filter)");
        fault("misspelt type name", aLink("", "[click]\ntype=OPENFLODER\npath=icon.png\n"),
            R"(a.link:4: warning: unknown command type "OPENFLODER"; the launcher runs it as RUN; did you mean "OPENFOLDER"?)");
        fault("type number", aLink("", "[click]\ntype=5\npath=icon.png\n"),
            "a.link:4: error: no command has the type number 5");
        fault("missing icon", { { "a.link", "[properties]\nicon=nope.png\n" } },
            R"(a.link:2: error: icon "nope.png" does not exist)");
        fault("icon that does not load", { { "a.link", "[properties]\nicon=bad.png\n" }, { "bad.png", "no picture" } },
            R"(a.link:2: error: icon "bad.png" does not load as a picture)");
        fault("no icon", { { "a.link", "[properties]\npriority=2\n" } }, "a.link:1: error: no icon");
        fault("missing hover image", aLink("", "[hover]\nimage=h.png\n"),
            R"(a.link:4: warning: hover image "h.png" does not exist)");
        fault("missing program", aLink("", "[click]\npath=bin/tool\n"),
            R"(a.link:4: error: [click] path "bin/tool" does not exist)");
        fault("placeholder", aLink("", "[click]\npath=%cdrom%/setup\n"),
            R"(a.link:4: warning: "%cdrom%/setup": placeholder cannot be resolved here)");
        fault("link folder without its link", { { "menu.link/", {} } },
            R"(menu.link:0: error: link folder without "_.link")");
        fault("fault inside a link folder",
            { { "menu.link/_.link", "[properties]\nicon=../icon.png\npriority=2\n" },
                { "menu.link/child.link", "[properties]\nicon=../missing.png\n" } },
            R"(menu.link/child.link:2: error: icon "../missing.png" does not exist)");
        fault("missing sub-menu", aLink("", "[ondrop]\nsubmenu=gone\n"),
            R"(a.link:4: error: sub-menu folder "gone" does not exist)");
        fault("fault inside a sub-menu",
            { { "a.link", link("", "[ondrop]\nsubmenu=menu\n") },
                { "menu/view.link", "[properties]\nicon=../icon.png\ntitel=1\n" } },
            R"(menu/view.link:3: warning: unknown key "titel" in [properties])");
        fault("unsigned background", { { "background.png", TestSupport::pngBytes(400, 200) } },
            R"(launcher.conf:2: error: background "background.png" carries no valid signature)");
        fault("missing background", { { "launcher.conf", "[app]\nbackground=bg.png\n" } },
            R"(launcher.conf:2: error: background "bg.png" does not exist)");
        fault("no background", { { "launcher.conf", "[app]\ntitle=x\n" } },
            "launcher.conf:1: error: no background: the launcher refuses to start");
        fault("font", { { "fonts/sub/broken.ttf", "no font at all" } },
            "fonts/sub/broken.ttf:0: error: font cannot be registered");
        fault("title on a background like it",
            { { "a.link", "[properties]\nicon=white.png\ntitle=Go\ntitleoffsetH=55\ntitlergb=0/120/120\n" },
                { "white.png", TestSupport::pngBytes(50, 50, Qt::white) } },
            "a.link:5: warning: title colour 0/120/120 barely differs from the background under it (contrast 1.1:1)");
        fault("folder button blank while open",
            { { "menu.link/_.link", "[properties]\nicon=../icon.png\ncheckicon=../clear.png\npriority=2\n" },
                { "menu.link/one.link", "[properties]\nicon=../icon.png\n" },
                { "clear.png", TestSupport::pngBytes(50, 50, Qt::transparent) } },
            R"(menu.link/_.link:3: warning: button "menu" shows nothing while open)");
        fault("equal priorities", aLink("priority=1\n"), R"(ok.link:3: warning: priority 1 equals that of "a.link")");
    }
    void reportsFault()
    {
        QFETCH(Files, files);
        QFETCH(QString, expected);
        const QString folder = makeSkin(files);
        QVERIFY(!folder.isEmpty());
        const TestSupport::Finished result = lint({ folder });
        const QStringList lines = result.out.split('\n');
        QVERIFY2(
            std::any_of(lines.begin(), lines.end(), [&](const QString &line) { return line.startsWith(expected); }),
            qPrintable(result.out));
        QCOMPARE(result.code, expected.contains(": error: ") ? 2 : 0);
    }

    // Warnings fail only a strict run; findings come sorted, in text or
    // JSON; a bad command line is an error.
    void exitCodesAndJson()
    {
        const QString clean = makeSkin({});
        QCOMPARE(lint({ clean, "--strict" }).out, QStringLiteral("0 errors, 0 warnings\n"));
        const QString warned
            = makeSkin({ { "z.link", link("tittle=x\n") }, { "a.link", link("priority=2\nbluraround=maybe\n") } });
        QCOMPARE(lint({ warned }).code, 0);
        const TestSupport::Finished strict = lint({ warned, "--strict" });
        QCOMPARE(strict.code, 1);
        const QStringList lines = strict.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.at(0).startsWith("a.link:4: warning:") && lines.at(1).startsWith("z.link:3: warning:"));
        QCOMPARE(lines.at(2), QStringLiteral("0 errors, 2 warnings"));
        const QJsonArray array = QJsonDocument::fromJson(lint({ warned, "--json" }).out.toUtf8()).array();
        QCOMPARE(array.size(), 2);
        const QJsonObject first = array.at(0).toObject();
        QCOMPARE(first.value("file").toString() + ':' + QString::number(first.value("line").toInt()),
            QStringLiteral("a.link:4"));
        QCOMPARE(first.value("severity").toString(), QStringLiteral("warning"));
        QVERIFY(first.value("message").toString().contains("maybe"));
        for (const QStringList &wrong :
            { QStringList { dir.filePath("nowhere") }, QStringList(), QStringList { clean, "--respath" } })
            QCOMPARE(lint(wrong).code, 2);
    }

    // A skin authored away from its medium names the medium's files.
    void resourceFolderElsewhere()
    {
        const QString skin = makeSkin(aLink("priority=2\n", "[click]\npath=%respath%/tools/x\n"));
        QVERIFY(TestSupport::writeFile(dir.filePath("medium/Commons/tools/x"), "#!/bin/sh\n"));
        QCOMPARE(lint({ skin }).code, 2);
        QCOMPARE(lint({ skin, "--respath", dir.filePath("medium/Commons") }).code, 0);
        QCOMPARE(lint({ "--medium", dir.filePath("medium"), skin, "--strict" }).code, 0);
    }

    // The linter's findings are about what the launcher reads, and on a
    // tiny background every button is reported outside at the place the
    // window gives it.
    void readsAndPlacesLikeTheLauncher_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<QStringList>("findings"); // all but the layout's
        QTest::newRow("hash key, repeated key, odd boolean, base64 drop")
            << Files { { "launcher.conf",
                           "[app]\nbackground=background.png\n#padding-left=40\npadding-top=5\npadding-top=20\n"
                           "pincheck=yes\n[button]\nwidth=50\nheight=40\nmargin-right=10\n" },
                   { "a.link", link("priority=2\n", "[drop]\ntype=11\npath=icon.png\n") } }
            << QStringList {
                   R"(launcher.conf:3: warning: unknown key "#padding-left" in [app]; did you mean "padding-left"?)",
                   R"(launcher.conf:4: warning: "padding-top" is given again on line 5; the launcher reads that one)",
                   R"(launcher.conf:6: warning: "yes" is not a boolean for "pincheck"; the launcher uses true)"
               };
        QTest::newRow("vertical platform group, folder, picture size")
            << Files { { "launcher.conf",
                           "[app]\nbackground=background.png\npadding-left=7\n[button]\nwidth=10\n"
                           "[button_" GATEPOINT_OS_NAME "]\nmargin-top=4\nlayout=VERTICAL\n" },
                   { "menu.link/_.link", "[properties]\nicon=../icon.png\npriority=2\n" },
                   { "menu.link/one.link", "[properties]\nicon=../icon.png\npriority=2\n" },
                   { "menu.link/two.link", "[properties]\nicon=../icon.png\npriority=1\nwidth=30\nheight=20\n" } }
            << QStringList { R"(launcher.conf:5: warning: "width" in [button] is hidden on )" GATEPOINT_OS_NAME
                             R"(: [button_)" GATEPOINT_OS_NAME R"(] replaces the whole group)" };
    }
    void readsAndPlacesLikeTheLauncher()
    {
        QFETCH(Files, files);
        files.insert("background.png", BackgroundSignature::sign(TestSupport::pngBytes(10, 10)));
        const QString folder = makeSkin(files);
        QStringList lines = lint({ folder }).out.split('\n', Qt::SkipEmptyParts);
        lines.removeLast(); // the count
        const QString outside = QStringLiteral(" falls outside the 10x10 background");
        QStringList placed;
        for (const QString &line : lines) {
            if (line.endsWith(outside))
                placed << line.section(QStringLiteral(": warning: button "), 1);
        }
        for (const QString &line : placed)
            lines.removeOne(lines.filter(line).constFirst());
        QTEST(lines, "findings");

        framelessWindow = true;
        qputenv("PIN_CHECK_DONE", "1"); // the odd boolean closes the PIN gate
        MainWindow window(false);
        window.onReloadRequest(folder);
        qunsetenv("PIN_CHECK_DONE");
        QVERIFY(window.canRun() && window.isValidInstance());
        const auto where = [&](const LaunchButton *button) {
            const QRect r = button->geometry();
            const QString name = QFileInfo(button->configuration().fileName).completeBaseName();
            return QString::asprintf(
                       "\"%s\" at %d,%d size %dx%d", qPrintable(name), r.x(), r.y(), r.width(), r.height())
                + outside;
        };
        QTRY_VERIFY(window.layoutMachine() && window.layoutMachine()->isRunning());
        int shown = 0;
        for (const LaunchButton *button : window.launchButtons()) {
            QTRY_VERIFY2(placed.contains(where(button)), qPrintable(where(button)));
            // Where the linter looks for what lies under a title.
            if (const QWidget *title = button->titleOverlayWidget())
                QCOMPARE(title->geometry(), LaunchButton::titleArea(button->configuration(), button->pos()));
            ++shown;
        }
        for (LaunchButton *button : window.launchButtons()) {
            if (!button->hasChildren())
                continue;
            emit button->clicked();
            for (const LaunchButton *entry : button->children()) {
                QTRY_VERIFY2(placed.contains(where(entry)), qPrintable(where(entry)));
                ++shown;
            }
        }
        QCOMPARE(shown, placed.size());
    }

    void demoMediumIsClean()
    {
        for (const char *skin : { "links", "links-alt" }) {
            const TestSupport::Finished result
                = lint({ QStringLiteral(GATEPOINT_BUILD_DIR "/demo-medium/Commons/") + skin, "--strict" });
            QVERIFY2(result.code == 0, qPrintable(result.out));
        }
    }
};

QTEST_MAIN(SkinLintTest)
#include "tst_skinlint.moc"
