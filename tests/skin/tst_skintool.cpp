// gatepoint-skin as a skin author runs it: lint against a corpus of skins,
// each broken in one way, reading and placing a skin as the launcher does;
// exit codes and file effects; the preview that pictures the real launcher
// window of a skin; and pack, which lays out a medium the launcher accepts,
// or nothing. (sign and verify: tst_backgroundsignature.)
#include "config/backgroundsignature.h"
#include "testsupport.h"
#include "widgets/launchbutton.h"
#include "window/appflags.h"
#include "window/mainwindow.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>
#include <QStandardPaths>
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

// Output holds both channels.
TestSupport::Finished run(const QStringList &arguments, const QString &program = TestSupport::skinToolPath())
{
    TestSupport::Finished result = TestSupport::runProgram(program, arguments);
    result.out += result.err;
    return result;
}

// Standard output alone.
TestSupport::Finished lint(const QStringList &arguments)
{
    return TestSupport::runProgram(TestSupport::skinToolPath(), QStringList { "lint" } + arguments);
}

void fault(const char *name, const Files &files, const char *expected)
{
    QTest::newRow(name) << files << QString(expected);
}

} // namespace

class SkinToolTest final : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    int skinCount = 0;

    // A clean skin in a new folder, with files overwritten or added.
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
        return write(folder, all) ? folder : QString();
    }

    // Writes the files below folder; a name ending in "/" is a folder.
    static bool write(const QString &folder, const Files &files)
    {
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            if (it.key().endsWith('/') ? !QDir().mkpath(folder + '/' + it.key())
                                       : !TestSupport::writeFile(folder + '/' + it.key(), it.value()))
                return false;
        }
        return true;
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolate();
        // A skin to preview; one whose background is unsigned on purpose
        // (packing signs it); one that is broken.
        QVERIFY(write(dir.filePath("links"),
            { { "launcher.conf",
                  "[app]\nbackground=background.png\npadding-left=10\npadding-top=10\n"
                  "[button]\nwidth=60\nheight=60\nmargin-right=10\nshiftduration=50\n" },
                { "background.png", BackgroundSignature::sign(TestSupport::pngBytes(400, 120, Qt::darkBlue)) },
                { "red.png", TestSupport::pngBytes(60, 60, Qt::red) },
                { "green.png", TestSupport::pngBytes(60, 60, Qt::green) },
                { "run.link", "[properties]\nicon=red.png\npriority=2\n" },
                { "menu.link/_.link", "[properties]\nicon=../green.png\npriority=1\n" },
                { "menu.link/child.link", "[properties]\nicon=../red.png\n" } }));
        QVERIFY(write(dir.filePath("unsigned"),
            { { "launcher.conf", "[app]\nbackground=background.png\n[button]\nwidth=40\nheight=40\n" },
                { "background.png", TestSupport::pngBytes(300, 100) }, { "icon.png", TestSupport::pngBytes(40, 40) },
                { "photo.jpg", "a picture format that needs its plugin" },
                { "run.link", "[properties]\nicon=icon.png\n[click]\npath=icon.png\n" } }));
        QVERIFY(write(dir.path(),
            { { "rounded.svg",
                  "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='20' viewBox='0 0 40 20'>"
                  "<rect x='0' y='0' width='40' height='20' rx='8' fill='#ff0000'/></svg>" },
                { "translations/gatepoint_it.qm", "qm" }, { "blob.bin", "blob" },
                { "broken/launcher.conf", "[app]\nbackground=missing.png\n" } }));
    }

    // One row per check, fewer where checks share a path (findings inside
    // a link folder: the layout test); the finding as its line begins.
    void reportsFault_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<QString>("expected");
        fault("misspelt key", aLink("tittle=Run\n"),
            R"(a.link:3: warning: unknown key "tittle" in [properties]; did you mean "title"?)");
        fault("unknown group", aLink("", "[clik]\npath=icon.png\n"),
            "a.link:3: warning: unknown group [clik]; did you mean [click]?");
        fault("colour word", aLink("titlergb=red\n"), R"(a.link:3: warning: "red" is not a colour (r/g/b))");
        fault("boolean", aLink("titleshadow=yes\n"),
            R"(a.link:3: warning: "yes" is not a boolean for "titleshadow"; the launcher uses true)");
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
        fault("missing program", aLink("", "[click]\npath=bin/tool\n"),
            R"(a.link:4: error: [click] path "bin/tool" does not exist)");
        fault("placeholder", aLink("", "[click]\npath=%cdrom%/setup\n"),
            R"(a.link:4: warning: "%cdrom%/setup": placeholder cannot be resolved here)");
        fault("link folder without its link", { { "menu.link/", {} } },
            R"(menu.link:0: error: link folder without "_.link")");
        fault("missing sub-menu", aLink("", "[ondrop]\nsubmenu=gone\n"),
            R"(a.link:4: error: sub-menu folder "gone" does not exist)");
        fault("fault inside a sub-menu",
            { { "a.link", link("", "[ondrop]\nsubmenu=menu\n") },
                { "menu/view.link", "[properties]\nicon=../icon.png\ntitel=1\n" } },
            R"(menu/view.link:3: warning: unknown key "titel" in [properties])");
        fault("unsigned background", { { "background.png", TestSupport::pngBytes(400, 200) } },
            R"(launcher.conf:2: error: background "background.png" carries no valid signature)");
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
        QCOMPARE(QJsonDocument::fromJson(lint({ warned, "--json" }).out.toUtf8()).array().size(), 2);
        for (const QStringList &wrong :
            { QStringList { dir.filePath("nowhere") }, QStringList(), QStringList { clean, "--respath" } })
            QCOMPARE(lint(wrong).code, 2);
    }

    // The linter reads the platform's group as the launcher does, and on a
    // tiny background every button, folder entries too, is reported outside
    // at the place the window gives it.
    void readsAndPlacesLikeTheLauncher()
    {
        const QString folder = makeSkin({ { "launcher.conf",
                                              "[app]\nbackground=background.png\npadding-left=7\n[button]\nwidth=10\n"
                                              "[button_" GATEPOINT_OS_NAME "]\nmargin-top=4\nlayout=VERTICAL\n" },
            { "background.png", BackgroundSignature::sign(TestSupport::pngBytes(10, 10)) },
            { "menu.link/_.link", "[properties]\nicon=../icon.png\npriority=2\n" },
            { "menu.link/one.link", "[properties]\nicon=../icon.png\npriority=2\n" },
            { "menu.link/two.link", "[properties]\nicon=../icon.png\npriority=1\nwidth=30\nheight=20\n" } });
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
        QCOMPARE(lines,
            QStringList { R"(launcher.conf:5: warning: "width" in [button] is hidden on )" GATEPOINT_OS_NAME
                          R"(: [button_)" GATEPOINT_OS_NAME R"(] replaces the whole group)" });

        framelessWindow = true;
        MainWindow window(false);
        window.onReloadRequest(folder);
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
    void initWritesAStarterSkin()
    {
        const QString skin = dir.filePath("starter");
        QCOMPARE(run({ "init", skin }).code, 0);
        const TestSupport::Finished lint = run({ "lint", skin, "--strict" });
        QVERIFY2(lint.code == 0, qPrintable(lint.out));
        // An author's folder is never written over.
        QCOMPARE(run({ "init", skin }).code, 1);
    }

    void previewPicturesTheWindowAndOpensFolders()
    {
        const QString home = dir.filePath("home.png");
        const QString opened = dir.filePath("opened.png");
        QCOMPARE(run({ "preview", dir.filePath("links"), "--out", home }).code, 0);
        QCOMPARE(run({ "preview", dir.filePath("links"), "--out", opened, "--open", "menu" }).code, 0);
        const QImage homeShot(home);
        const QImage openedShot(opened);
        QCOMPARE(homeShot.size(), QSize(400, 120));
        // Home: run (priority 2) first, the folder after it.
        QCOMPARE(QColor(homeShot.pixel(40, 40)), QColor(Qt::red));
        QCOMPARE(QColor(homeShot.pixel(110, 40)), QColor(Qt::green));
        // Opened: the folder takes the first slot and its entry comes in beside it.
        QCOMPARE(QColor(openedShot.pixel(110, 40)), QColor(Qt::red));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        const QString links = dir.filePath("links");
        const QString out = dir.filePath("x.png");
        const QString svg = dir.filePath("rounded.svg");
        QTest::newRow("unknown command") << QStringList { "polish", "x" } << 2;
        QTest::newRow("render huge") << QStringList { "render-svg", svg, out, "100000", "100000" } << 2;
        QTest::newRow("preview without output") << QStringList { "preview", links } << 2;
        QTest::newRow("preview unknown option") << QStringList { "preview", links, "--out", out, "--zoom", "2" } << 2;
        QTest::newRow("preview unsigned") << QStringList { "preview", dir.filePath("unsigned"), "--out", out } << 1;
        QTest::newRow("preview no such button")
            << QStringList { "preview", links, "--out", out, "--open", "nothing" } << 1;
        QTest::newRow("pack without program") << QStringList { "pack", "--skin", links, "--out", out } << 2;
    }

    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QTEST(run(arguments).code, "code");
        QVERIFY(!QFile::exists(dir.filePath("x.png")));
    }

    void packsSignedLintedMedium()
    {
        const QString medium = dir.filePath("medium");
        const QString iso = dir.filePath("medium.iso");
        const TestSupport::Finished packed = run({ "pack", "--program", GATEPOINT_BUILD_DIR "/bin/gatepoint", "--skin",
            dir.filePath("unsigned"), "--out", medium, "--translations", dir.filePath("translations"), "--blob",
            dir.filePath("blob.bin"), "--iso", iso });
        QVERIFY2(packed.code == 0, qPrintable(packed.out));
        QVERIFY(QFileInfo(medium + "/bin/gatepoint").isExecutable());
        // Picture plugins for the formats the medium holds, and only those.
        for (const char *file :
            { "/Commons/gatepoint_it.qm", "/Commons/blob.bin", "/bin/plugins/imageformats/libqjpeg.so" })
            QVERIFY2(QFileInfo::exists(medium + file), file);
        QVERIFY(!QFileInfo::exists(medium + "/bin/plugins/imageformats/libqgif.so"));
        QCOMPARE(QSettings(medium + "/Commons/lang.ini", QSettings::IniFormat).value("lang/lang").toString(),
            QStringLiteral("auto"));
        // Files are named by their final place.
        QVERIFY(packed.out.contains(medium + "/Commons/links/background.png: signed") && !packed.out.contains(".tmp"));
        QVERIFY(!QFileInfo::exists(medium + ".tmp"));
        const TestSupport::Finished lint = run({ "lint", medium + "/Commons/links", "--strict" });
        QVERIFY2(lint.code == 0, qPrintable(lint.out));

        // Packing again replaces the medium; the signed background is re-signed, not signed twice.
        QCOMPARE(run({ "pack", "--program", GATEPOINT_BUILD_DIR "/bin/gatepoint", "--skin", medium + "/Commons/links",
                         "--out", dir.filePath("again") })
                     .code,
            0);
        QCOMPARE(run({ "verify", dir.filePath("again/Commons/links/background.png") }).code, 0);

        const QString xorriso = QStandardPaths::findExecutable("xorriso");
        if (xorriso.isEmpty())
            QSKIP("xorriso is not installed");
        const TestSupport::Finished listing = run({ "-indev", iso, "-ls" }, xorriso);
        QCOMPARE(listing.code, 0);
        QVERIFY(listing.out.contains("'bin'") && listing.out.contains("'Commons'"));
    }

    void packRefusesWithoutLeftovers()
    {
        const QString medium = dir.filePath("refused");
        const TestSupport::Finished broken = run({ "pack", "--program", GATEPOINT_BUILD_DIR "/bin/gatepoint", "--skin",
            dir.filePath("broken"), "--out", medium });
        QCOMPARE(broken.code, 2);
        QVERIFY(broken.out.contains("links/launcher.conf:2: error: background \"missing.png\" does not exist"));
        // A program without the run path to bin/lib would run on the host's Qt.
        const TestSupport::Finished foreign = run({ "pack", "--program", TestSupport::helperPath("gp_probe"), "--skin",
            dir.filePath("unsigned"), "--out", medium });
        QCOMPARE(foreign.code, 1);
        QVERIFY(!QFileInfo::exists(medium) && !QFileInfo::exists(medium + ".tmp"));
    }
};

QTEST_MAIN(SkinToolTest)
#include "tst_skintool.moc"
