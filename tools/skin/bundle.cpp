// The runtime of a packed medium. A token must start on any Linux desktop,
// with or without Qt 5.15, so the medium carries Qt and everything Qt needs
// except what the host must supply itself (host-libraries.txt). The program
// is linked with the run path "$ORIGIN/lib" as DT_RPATH: unlike DT_RUNPATH
// it also serves the libraries' own dependencies and the plugins Qt opens,
// and LD_LIBRARY_PATH cannot put a foreign Qt in front of the medium's.
//
// Which library a name stands for is asked of the host's loader (ldd), so
// the medium gets exactly what the program runs on here; which library
// needs which is read from the ELF files, so that what only a host library
// needs stays on the host.

#include "bundle.h"
#include "skincommand.h"

#include <elf.h>

#include <cstring>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QPluginLoader>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QVector>

#include "config/vocabulary.h"

namespace Skin {

namespace {

const QLatin1String originRunPath("$ORIGIN/lib");

// Plugins every medium carries: the X11 platform with its OpenGL
// integration, and compose-key input.
const char *const basePlugins[] = {
    "platforms/libqxcb.so",
    "xcbglintegrations/libqxcb-glx-integration.so",
    "platforminputcontexts/libcomposeplatforminputcontextplugin.so",
};
// Plugin kinds taken when a picture of the medium has one of their suffixes.
const char *const pictureKinds[] = { "imageformats", "iconengines" };

struct ElfLinks {
    bool valid = false;
    QStringList needed;
    QString rpath; // DT_RPATH
    QString runpath; // DT_RUNPATH
};

template <typename Header, typename Segment, typename Dynamic> ElfLinks readDynamic(const uchar *data, quint64 size)
{
    ElfLinks links;
    const auto inside = [size](quint64 offset, quint64 length) { return offset <= size && length <= size - offset; };
    Header header;
    if (!inside(0, sizeof header))
        return links;
    std::memcpy(&header, data, sizeof header);
    if (header.e_phentsize != sizeof(Segment) || !inside(header.e_phoff, quint64(header.e_phnum) * sizeof(Segment)))
        return links;
    QVector<Segment> loads;
    Segment dynamic {};
    bool hasDynamic = false;
    for (quint64 i = 0; i < header.e_phnum; ++i) {
        Segment segment;
        std::memcpy(&segment, data + header.e_phoff + i * sizeof(Segment), sizeof segment);
        if (segment.p_type == PT_LOAD)
            loads.append(segment);
        if (segment.p_type == PT_DYNAMIC) {
            dynamic = segment;
            hasDynamic = true;
        }
    }
    links.valid = true;
    if (!hasDynamic)
        return links; // linked statically: needs nothing
    if (!inside(dynamic.p_offset, dynamic.p_filesz))
        return ElfLinks();

    quint64 strtab = 0;
    quint64 strsz = 0;
    QVector<QPair<qint64, quint64>> strings;
    for (quint64 at = 0; at + sizeof(Dynamic) <= dynamic.p_filesz; at += sizeof(Dynamic)) {
        Dynamic entry;
        std::memcpy(&entry, data + dynamic.p_offset + at, sizeof entry);
        if (entry.d_tag == DT_NULL)
            break;
        if (entry.d_tag == DT_STRTAB)
            strtab = entry.d_un.d_ptr;
        else if (entry.d_tag == DT_STRSZ)
            strsz = entry.d_un.d_val;
        else if (entry.d_tag == DT_NEEDED || entry.d_tag == DT_RPATH || entry.d_tag == DT_RUNPATH)
            strings.append({ qint64(entry.d_tag), quint64(entry.d_un.d_val) });
    }
    // The string table is named by its address; the load segments map it
    // to a place in the file.
    quint64 table = 0;
    bool mapped = false;
    for (const Segment &load : loads) {
        if (strtab >= load.p_vaddr && strtab - load.p_vaddr < load.p_filesz) {
            table = load.p_offset + (strtab - load.p_vaddr);
            mapped = true;
        }
    }
    if (!mapped || !inside(table, strsz))
        return ElfLinks();
    for (const auto &string : strings) {
        if (string.second >= strsz)
            return ElfLinks();
        const char *text = reinterpret_cast<const char *>(data + table + string.second);
        const QString value = QFile::decodeName(QByteArray(text, int(qstrnlen(text, uint(strsz - string.second)))));
        if (string.first == DT_NEEDED)
            links.needed.append(value);
        else if (string.first == DT_RPATH)
            links.rpath = value;
        else
            links.runpath = value;
    }
    return links;
}

ElfLinks readElf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < EI_NIDENT)
        return ElfLinks();
    const uchar *data = file.map(0, file.size());
    if (!data || std::memcmp(data, ELFMAG, SELFMAG) != 0)
        return ElfLinks();
    if (data[EI_CLASS] == ELFCLASS64)
        return readDynamic<Elf64_Ehdr, Elf64_Phdr, Elf64_Dyn>(data, quint64(file.size()));
    if (data[EI_CLASS] == ELFCLASS32)
        return readDynamic<Elf32_Ehdr, Elf32_Phdr, Elf32_Dyn>(data, quint64(file.size()));
    return ElfLinks();
}

QSet<QString> hostLibraries()
{
    QSet<QString> names;
    QFile list(QStringLiteral(":/skin/host-libraries.txt"));
    if (list.open(QIODevice::ReadOnly | QIODevice::Text)) {
        for (const QByteArray &line : list.readAll().split('\n')) {
            const QByteArray name = line.trimmed();
            if (!name.isEmpty() && !name.startsWith('#'))
                names.insert(QString::fromLatin1(name));
        }
    }
    return names;
}

// Where the host's loader finds each library name the object needs, itself
// and all the way down.
bool resolveWithLoader(const QString &object, QHash<QString, QString> &found, QString &error)
{
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), { object });
    if (!ldd.waitForFinished(60000) || ldd.exitStatus() != QProcess::NormalExit || ldd.exitCode() != 0) {
        error = QStringLiteral("ldd cannot read ") + object;
        return false;
    }
    static const QRegularExpression line(QStringLiteral("^\\s*(\\S+) => (.*) \\(0x[0-9a-f]+\\)$"));
    for (const QString &text : QString::fromLocal8Bit(ldd.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch() && !found.contains(match.captured(1)))
            found.insert(match.captured(1), match.captured(2));
    }
    return true;
}

QSet<QString> pictureSuffixes(const QString &commons)
{
    QSet<QString> suffixes;
    QDirIterator it(commons, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        suffixes.insert(it.fileInfo().suffix().toLower());
    }
    return suffixes;
}

bool copyInto(const QString &from, const QString &to)
{
    QFile::remove(to);
    return QDir().mkpath(QFileInfo(to).absolutePath()) && QFile::copy(from, to);
}

qint64 treeSize(const QString &folder)
{
    qint64 bytes = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        bytes += it.fileInfo().size();
    }
    return bytes;
}

} // namespace

QString includeResources(const QString &resources, const QString &skin, const QString &commons, QString &error)
{
    QStringList included;
    int catalogues = 0;
    const QString skinPath = QFileInfo(skin).canonicalFilePath();
    const QFileInfoList entries = QDir(resources).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name | QDir::DirsFirst);
    for (const QFileInfo &entry : entries) {
        const QString target = commons + QLatin1Char('/') + entry.fileName();
        if (entry.fileName() == Vocabulary::File::linksFolder || entry.canonicalFilePath() == skinPath
            || QFileInfo::exists(target))
            continue;
        // Links are followed: a medium is burnt and must not point elsewhere.
        bool complete = entry.isDir() ? QDir().mkpath(target) : copyInto(entry.canonicalFilePath(), target);
        QDirIterator it(entry.filePath(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (complete && entry.isDir() && it.hasNext()) {
            const QFileInfo file(it.next());
            complete = copyInto(file.canonicalFilePath(),
                target + QLatin1Char('/') + QDir(entry.filePath()).relativeFilePath(file.filePath()));
        }
        if (!complete) {
            error = QStringLiteral("cannot copy ") + entry.filePath();
            return QString();
        }
        if (entry.isDir())
            included.append(entry.fileName() + QLatin1Char('/'));
        else if (entry.suffix() == QLatin1String("qm"))
            ++catalogues;
        else
            included.append(entry.fileName());
    }
    if (catalogues > 0)
        included.append(QStringLiteral("%1 translation files").arg(catalogues));
    return included.join(QStringLiteral(", "));
}

bool bundleRuntime(const QString &program, const QString &commons, QStringList &report, QString &error)
{
    const ElfLinks programLinks = readElf(program);
    if (!programLinks.valid) {
        error = program + QStringLiteral(" is not an ELF program");
        return false;
    }
    const QStringList runPath = programLinks.rpath.split(QLatin1Char(':'));
    if (!programLinks.runpath.isEmpty() || !runPath.contains(originRunPath)) {
        error = QStringLiteral("the program's run path (DT_RPATH) does not hold %1: it would run on the host's Qt")
                    .arg(originRunPath);
        return false;
    }
    // An empty or relative entry is the working folder: whoever chooses it
    // would choose the libraries.
    for (const QString &folder : runPath) {
        if (folder != QLatin1String("$ORIGIN") && !folder.startsWith(QLatin1String("$ORIGIN/"))
            && !folder.startsWith(QLatin1Char('/'))) {
            error = QStringLiteral("the program's run path \"%1\" holds a folder relative to the working folder")
                        .arg(programLinks.rpath);
            return false;
        }
    }
    const QString bin = QFileInfo(program).absolutePath();
    const QString pluginSource = QLibraryInfo::location(QLibraryInfo::PluginsPath);

    // Plugins: the base set, then the picture plugins whose formats occur.
    QStringList plugins;
    for (const char *plugin : basePlugins) {
        if (QFileInfo::exists(pluginSource + QLatin1Char('/') + QLatin1String(plugin)))
            plugins.append(QLatin1String(plugin));
    }
    if (!plugins.contains(QLatin1String(basePlugins[0]))) {
        error = QStringLiteral("Qt's X11 platform plugin is missing from ") + pluginSource;
        return false;
    }
    const QSet<QString> suffixes = pictureSuffixes(commons);
    for (const char *kind : pictureKinds) {
        const QDir folder(pluginSource + QLatin1Char('/') + QLatin1String(kind));
        for (const QString &file : folder.entryList({ QStringLiteral("*.so") }, QDir::Files, QDir::Name)) {
            const QJsonArray keys = QPluginLoader(folder.filePath(file))
                                        .metaData()
                                        .value(QLatin1String("MetaData"))
                                        .toObject()
                                        .value(QLatin1String("Keys"))
                                        .toArray();
            for (const QJsonValue &key : keys) {
                if (suffixes.contains(key.toString().toLower())) {
                    plugins.append(QLatin1String(kind) + QLatin1Char('/') + file);
                    break;
                }
            }
        }
    }

    // Libraries: what the program and the plugins need, and what those need,
    // down to the host's own.
    QHash<QString, QString> found;
    QStringList objects = { program };
    for (const QString &plugin : plugins)
        objects.append(pluginSource + QLatin1Char('/') + plugin);
    for (const QString &object : objects) {
        if (!resolveWithLoader(object, found, error))
            return false;
    }
    const QSet<QString> host = hostLibraries();
    if (!host.contains(QStringLiteral("libc.so.6"))) {
        error = QStringLiteral("the list of the host's libraries is missing from this build");
        return false;
    }
    QMap<QString, QString> libraries; // name -> path on this machine
    QStringList pending = objects;
    while (!pending.isEmpty()) {
        const QString object = pending.takeFirst();
        const ElfLinks links = readElf(object);
        if (!links.valid) {
            error = QStringLiteral("cannot read the ELF file ") + object;
            return false;
        }
        for (const QString &name : links.needed) {
            if (host.contains(name) || libraries.contains(name))
                continue;
            const QString path = found.value(name);
            if (path.isEmpty() || !QFileInfo(path).isFile()) {
                error = QStringLiteral("%1 needs %2, which the loader does not find").arg(object, name);
                return false;
            }
            libraries.insert(name, path);
            pending.append(path);
        }
    }

    QStringList stripped;
    for (auto it = libraries.cbegin(); it != libraries.cend(); ++it) {
        const QString target = bin + QStringLiteral("/lib/") + it.key();
        if (!copyInto(it.value(), target)) {
            error = QStringLiteral("cannot copy ") + it.value();
            return false;
        }
        stripped.append(target);
    }
    for (const QString &plugin : plugins) {
        const QString target = bin + QStringLiteral("/plugins/") + plugin;
        if (!copyInto(pluginSource + QLatin1Char('/') + plugin, target)) {
            error = QStringLiteral("cannot copy the plugin ") + plugin;
            return false;
        }
        stripped.append(target);
    }
    // Relative paths in qt.conf start from its own folder; the launcher
    // loads its catalogues from the resource folder, Qt's live there too.
    QFile conf(bin + QStringLiteral("/qt.conf"));
    if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || conf.write("[Paths]\nPrefix=.\nLibraries=lib\nPlugins=plugins\nTranslations=../Commons\n") < 0) {
        error = QStringLiteral("cannot write ") + conf.fileName();
        return false;
    }
    conf.close();

    // Qt's catalogues for every language the launcher has its own for, and
    // Italian, its source language.
    QStringList languages = { QStringLiteral("it") };
    for (const QString &qm : QDir(commons).entryList({ QStringLiteral("gatepoint_*.qm") }, QDir::Files)) {
        const QString language = qm.mid(10, qm.size() - 13);
        if (!languages.contains(language))
            languages.append(language);
    }
    std::sort(languages.begin(), languages.end());
    const QDir catalogues(QLibraryInfo::location(QLibraryInfo::TranslationsPath));
    int catalogueCount = 0;
    for (const QString &language : languages) {
        for (const QString &qm :
            catalogues.entryList({ QStringLiteral("qt*_%1.qm").arg(language) }, QDir::Files, QDir::Name)) {
            const QString target = commons + QLatin1Char('/') + qm;
            if (!QFileInfo::exists(target) && !QFile::copy(catalogues.filePath(qm), target)) {
                error = QStringLiteral("cannot copy ") + catalogues.filePath(qm);
                return false;
            }
            ++catalogueCount;
        }
    }

    const QString strip = QStandardPaths::findExecutable(QStringLiteral("strip"));
    QString strippedNote = QStringLiteral(", stripped");
    if (strip.isEmpty()) {
        strippedNote = QStringLiteral(", not stripped (strip is not installed)");
    } else {
        for (const QStringList &arguments : { QStringList { QStringLiteral("--strip-all"), program },
                 QStringList { QStringLiteral("--strip-unneeded") } + stripped }) {
            if (QProcess::execute(strip, arguments) != 0) {
                error = QStringLiteral("strip failed on ") + arguments.mid(1).join(QLatin1Char(' '));
                return false;
            }
        }
    }

    report.append(QStringLiteral("bin/: %1, %2 libraries, %3 plugins, qt.conf%4 (%5 MB)")
                      .arg(QFileInfo(program).fileName())
                      .arg(libraries.size())
                      .arg(plugins.size())
                      .arg(strippedNote)
                      .arg(double(treeSize(bin)) / (1024 * 1024), 0, 'f', 1));
    report.append(QStringLiteral("%1/: %2 Qt translation catalogues (%3)")
                      .arg(Vocabulary::File::commonsFolder)
                      .arg(catalogueCount)
                      .arg(languages.join(QStringLiteral(", "))));
    return true;
}

} // namespace Skin
