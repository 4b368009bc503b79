// init: a starter skin an author can change one file at a time. Every
// picture is drawn here, so the tool needs nothing beside itself; the
// background is signed, so the launcher accepts the skin as it is.

#include "skincommand.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QMap>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include "config/backgroundsignature.h"

namespace Skin {

namespace {

constexpr int iconSide = 64;
constexpr int controlSide = 20;

const char launcherConf[] = R"(; A starter skin written by gatepoint-skin init. Paths are relative to this
; folder. Check it with "gatepoint-skin lint" and picture it with
; "gatepoint-skin preview"; after changing background.png, sign it again
; with "gatepoint-skin sign --replace background.png".

[app]
title=gatepoint
background=background.png
layout=horizontal
padding-left=24
padding-top=48

[button]
width=64
height=64
margin-right=16
shiftduration=300
radius=6
blurcolor=0/0/0/110
titlefont=DejaVu Sans
titlepixelsize=11
titlergb=235/240/255
titleoffsetH=68
titlealignment=center
titleshadow=true

[button-hover]
image=images/hover.png
ulx=0
uly=0
width=64
height=64

[always_on_top]
image=images/ontop.png
toggle_image=images/ontop-active.png
llx=392
lly=10

[minimize]
image=images/minimize.png
llx=420
lly=10

[exit]
image=images/exit.png
llx=448
lly=10
)";

struct LinkFile {
    const char *path;
    const char *text;
};

// Highest priority first from the left; the folder's entries lowest first.
const LinkFile linkFiles[] = {
    { "site.link",
        "[properties]\nicon=images/site.png\npriority=4\ntitle.it=Sito web\ntitle.en=Web site\n"
        "tooltip.it=Apre il sito nel browser\ntooltip.en=Opens the site in the browser\n\n"
        "[click]\ntype=OPENLINK\npath=https://www.example.org/\n" },
    { "readme.link",
        "[properties]\nicon=images/readme.png\npriority=3\ntitle.it=Leggimi\ntitle.en=Read me\n\n"
        "[click]\ntype=OPENFILE\npath=docs/readme.txt\n" },
    { "docs.link",
        "[properties]\nicon=images/docs.png\npriority=2\ntitle.it=Documenti\ntitle.en=Documents\n\n"
        "[click]\ntype=OPENFOLDER\npath=docs\n" },
    { "more.link/_.link",
        "; A folder button: the other links of this folder open beside it.\n"
        "[properties]\nicon=../images/more.png\npriority=1\ntitle.it=Altro\ntitle.en=More\n" },
    { "more.link/help.link",
        "[properties]\nicon=../images/help.png\npriority=1\ntitle.it=Aiuto\ntitle.en=Help\n\n"
        "[click]\ntype=OPENLINK\npath=https://www.example.org/help\n" },
};

const char readme[] = "This skin was written by gatepoint-skin init.\n\n"
                      "Each .link file is one button; a folder named NAME.link holding a _.link\n"
                      "is a folder button. launcher.conf gives the window, the layout and the\n"
                      "window controls.\n";

QImage canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage background()
{
    QImage image = canvas(480, 160);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, image.height());
    gradient.setColorAt(0, QColor(52, 70, 128));
    gradient.setColorAt(1, QColor(22, 30, 64));
    painter.setPen(QPen(QColor(90, 110, 170), 1));
    painter.setBrush(gradient);
    painter.drawRoundedRect(QRectF(image.rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    painter.setPen(QPen(QColor(255, 255, 255, 40), 1));
    painter.drawLine(QPointF(16, 38.5), QPointF(image.width() - 16, 38.5));
    return image;
}

// A rounded tile in one colour with a white sign drawn by the caller.
template <typename Sign> QImage icon(const QColor &colour, Sign sign)
{
    QImage image = canvas(iconSide, iconSide);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(2, 2, iconSide - 4, iconSide - 4), 12, 12);
    painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    sign(painter);
    return image;
}

QImage control(const QColor &colour, bool cross, bool bar)
{
    QImage image = canvas(controlSide, controlSide);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(0.5, 0.5, controlSide - 1, controlSide - 1));
    painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    if (cross) {
        painter.drawLine(QPointF(6.5, 6.5), QPointF(13.5, 13.5));
        painter.drawLine(QPointF(13.5, 6.5), QPointF(6.5, 13.5));
    } else if (bar) {
        painter.drawLine(QPointF(6, 10), QPointF(14, 10));
    } else {
        painter.drawLine(QPointF(10, 5.5), QPointF(10, 14.5));
        painter.drawLine(QPointF(6, 7), QPointF(14, 7));
    }
    return image;
}

QImage hover()
{
    QImage image = canvas(iconSide, iconSide);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 170), 3));
    painter.drawRoundedRect(QRectF(1.5, 1.5, iconSide - 3, iconSide - 3), 13, 13);
    return image;
}

QMap<QString, QImage> pictures()
{
    return {
        { QStringLiteral("images/site.png"),
            icon(QColor(46, 134, 222),
                [](QPainter &p) {
                    p.drawEllipse(QRectF(16, 16, 32, 32));
                    p.drawLine(QPointF(16, 32), QPointF(48, 32));
                    p.drawEllipse(QRectF(25, 16, 14, 32));
                }) },
        { QStringLiteral("images/readme.png"),
            icon(QColor(39, 174, 96),
                [](QPainter &p) {
                    p.drawRoundedRect(QRectF(20, 14, 24, 36), 3, 3);
                    for (int y : { 24, 32, 40 })
                        p.drawLine(QPointF(26, y), QPointF(38, y));
                }) },
        { QStringLiteral("images/docs.png"),
            icon(QColor(230, 126, 34),
                [](QPainter &p) {
                    QPainterPath folder;
                    folder.moveTo(14, 46);
                    folder.lineTo(14, 20);
                    folder.lineTo(26, 20);
                    folder.lineTo(30, 25);
                    folder.lineTo(50, 25);
                    folder.lineTo(50, 46);
                    folder.closeSubpath();
                    p.drawPath(folder);
                }) },
        { QStringLiteral("images/more.png"),
            icon(QColor(120, 130, 150),
                [](QPainter &p) {
                    for (int x : { 22, 42 })
                        for (int y : { 22, 42 })
                            p.drawEllipse(QPointF(x, y), 4, 4);
                }) },
        { QStringLiteral("images/help.png"),
            icon(QColor(142, 68, 173),
                [](QPainter &p) {
                    QPainterPath mark;
                    mark.moveTo(24, 24);
                    mark.cubicTo(24, 12, 42, 12, 42, 24);
                    mark.cubicTo(42, 31, 32, 31, 32, 39);
                    p.drawPath(mark);
                    p.drawPoint(QPointF(32, 48));
                }) },
        { QStringLiteral("images/hover.png"), hover() },
        { QStringLiteral("images/exit.png"), control(QColor(214, 69, 65), true, false) },
        { QStringLiteral("images/minimize.png"), control(QColor(90, 100, 130), false, true) },
        { QStringLiteral("images/ontop.png"), control(QColor(90, 100, 130), false, false) },
        { QStringLiteral("images/ontop-active.png"), control(QColor(39, 174, 96), false, false) },
        { QStringLiteral("icon.png"),
            icon(QColor(52, 70, 128), [](QPainter &p) { p.drawRoundedRect(QRectF(18, 18, 28, 28), 4, 4); }) },
    };
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && file.write(data) == data.size();
}

QByteArray png(const QImage &image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

} // namespace

int runInit(const QStringList &arguments)
{
    QStringList options;
    QStringList positionals;
    QString error;
    if (!splitArguments(arguments, {}, options, positionals, error) || positionals.size() != 1) {
        err() << "gatepoint-skin init: " << (error.isEmpty() ? QStringLiteral("expected one folder DIR") : error)
              << '\n';
        return UsageError;
    }
    const QString folder = QDir::cleanPath(QFileInfo(positionals.first()).absoluteFilePath());
    // An author's work is never written over.
    if (QFileInfo::exists(folder)
        && (!QFileInfo(folder).isDir()
            || !QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))) {
        err() << "gatepoint-skin init: " << folder << " exists and is not an empty folder\n";
        return Failure;
    }

    const QDir dir(folder);
    QList<QPair<QString, QByteArray>> files { { QStringLiteral("launcher.conf"), launcherConf },
        { QStringLiteral("docs/readme.txt"), readme },
        { QStringLiteral("background.png"), BackgroundSignature::sign(png(background())) } };
    for (const LinkFile &link : linkFiles)
        files.append({ QString::fromLatin1(link.path), link.text });
    const QMap<QString, QImage> drawn = pictures();
    for (auto it = drawn.cbegin(); it != drawn.cend(); ++it)
        files.append({ it.key(), png(it.value()) });
    for (const auto &file : qAsConst(files)) {
        if (!writeFile(dir.filePath(file.first), file.second)) {
            err() << "gatepoint-skin init: cannot write " << dir.filePath(file.first) << '\n';
            return Failure;
        }
    }
    out() << folder << ": starter skin written\n"
          << "  gatepoint-skin lint " << folder << "\n"
          << "  gatepoint-skin preview " << folder << " --out preview.png\n";
    return Success;
}

} // namespace Skin
