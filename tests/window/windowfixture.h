#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include "config/backgroundsignature.h"
#include "testsupport.h"

// A links folder laid out in a temporary folder: a signed background,
// pictures, link files and a launcher.conf written by the test.
class LinksFolder {
public:
    LinksFolder()
    {
        dir = root.path() + QStringLiteral("/links");
        QDir().mkpath(dir);
    }

    // Moves the links folder to medium/Commons/links beside a copy of the
    // program in medium/bin, as on the token; returns the program's path.
    QString layOutMedium()
    {
        const QString medium = root.filePath(QStringLiteral("medium"));
        QDir().mkpath(medium + QStringLiteral("/bin"));
        QDir().mkpath(medium + QStringLiteral("/Commons"));
        const QString program = medium + QStringLiteral("/bin/gatepoint");
        QFile::copy(TestSupport::launcherPath(), program);
        QDir().rename(dir, medium + QStringLiteral("/Commons/links"));
        dir = medium + QStringLiteral("/Commons/links");
        return program;
    }

    QString path(const QString &name = QString()) const { return name.isEmpty() ? dir : dir + QLatin1Char('/') + name; }

    void picture(const QString &name, int w, int h) const { write(name, TestSupport::pngBytes(w, h)); }

    // A w x h picture that carries the issuer's signature.
    void signedBackground(const QString &name = QStringLiteral("bg.png"), int w = 600, int h = 300) const
    {
        write(name, BackgroundSignature::sign(TestSupport::pngBytes(w, h, Qt::darkBlue)));
    }

    void write(const QString &name, const QByteArray &text) const { TestSupport::writeFile(path(name), text); }

    // The signed background and a launcher.conf naming it, followed by conf
    // (more keys of [app], then any other groups).
    void skin(const QByteArray &conf = QByteArray()) const
    {
        signedBackground();
        write(QStringLiteral("launcher.conf"), "[app]\nbackground=bg.png\n" + conf);
    }

    // Where the probe writes when the real program runs on this medium.
    QString probeOut() const { return root.filePath(QStringLiteral("probe.jsonl")); }

    // Runs the program that layOutMedium() placed, offscreen and with its
    // home and temporary folder inside the medium's root, to its end
    // (through wrapper, such as /usr/bin/time, when one is given). Output
    // holds both channels.
    TestSupport::Finished runLauncher(
        const QStringList &arguments, int timeoutMs = 120000, const QStringList &wrapper = QStringList()) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GP_PROBE_OUT"), probeOut());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), root.path());
        env.insert(QStringLiteral("TMPDIR"), root.path());
        env.remove(QStringLiteral("PIN_CHECK_DONE"));
        const QStringList command = wrapper + QStringList { root.filePath(QStringLiteral("medium/bin/gatepoint")) };
        TestSupport::Finished run
            = TestSupport::runProgram(command.first(), command.mid(1) + arguments, env, timeoutMs, root.path());
        run.out += run.err;
        return run;
    }

    // A link of the given priority whose click starts the probe; extra adds
    // groups or keys after [properties].
    void probeLink(const QString &name, int priority, const QByteArray &extra = QByteArray()) const
    {
        picture(QStringLiteral("icon.png"), 40, 40);
        write(name,
            "[properties]\nicon=icon.png\npriority=" + QByteArray::number(priority) + "\n" + extra
                + "\n[click]\npath=" + TestSupport::helperPath(QStringLiteral("gp_probe")).toUtf8() + "\n");
    }

    QTemporaryDir root;
    QString dir;
};
