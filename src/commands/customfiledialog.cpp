#include "customfiledialog.h"

#include <QFileDialog>
#include <QRegularExpression>
#include <QWidget>

#include "platform/platform.h"

namespace {

enum : int {
    SingleFile = 0,
    Folder = 2,
    SeveralFiles = 3,
    FolderAlias = 4,
};

CustomFileDialog::Responder &installedResponder()
{
    static CustomFileDialog::Responder responder;
    return responder;
}

} // namespace

CustomFileDialog::CustomFileDialog(QWidget *parent)
    : QObject(parent)
    , parentWidget(parent)
    , captionText(tr("Apri"))
{
}

void CustomFileDialog::setFileMode(int mode)
{
    if (mode == SeveralFiles) {
        fileMode = SeveralFiles;
        captionText = tr("Apri");
    } else if (mode == Folder || mode == FolderAlias) {
        fileMode = Folder;
        captionText = tr("Seleziona una cartella");
    }
}

void CustomFileDialog::setDirectory(const QDir &directory)
{
    startDirectory = directory.absolutePath();
}

void CustomFileDialog::setNameFilters(const QStringList &nameFilters)
{
    filters = nameFilters;
    // "*.*" means every file only on Windows; elsewhere it means names with
    // a dot, and would hide "README" or a program from an "all files"
    // filter.
    if (Platform::osName() == QLatin1String("windows"))
        return;
    static const QRegularExpression anyNameWithDot(QStringLiteral("(?<![^( ])\\*\\.\\*(?![^) ])"));
    for (QString &filter : filters)
        filter.replace(anyNameWithDot, QStringLiteral("*"));
}

QStringList CustomFileDialog::selectedFiles() const
{
    return chosen;
}

QString CustomFileDialog::filterString() const
{
    return filters.join(QStringLiteral(";;"));
}

QString CustomFileDialog::startPath() const
{
    return startDirectory.isEmpty() ? QDir::current().absolutePath() : QDir(startDirectory).absolutePath();
}

void CustomFileDialog::setResponder(Responder responder)
{
    installedResponder() = std::move(responder);
}

// Each question stands alone: the result never carries a path over from an
// earlier exec, so callers can always take the first entry.
int CustomFileDialog::exec()
{
    QStringList result;
    if (const Responder &responder = installedResponder()) {
        result = responder(*this);
        if (fileMode != SeveralFiles && result.size() > 1)
            result = result.mid(0, 1);
    } else if (fileMode == SeveralFiles) {
        result = QFileDialog::getOpenFileNames(parentWidget, captionText, startPath(), filterString());
    } else if (fileMode == Folder) {
        const QString folder
            = QFileDialog::getExistingDirectory(parentWidget, captionText, startPath(), QFileDialog::ShowDirsOnly);
        if (!folder.isEmpty())
            result.append(folder);
    } else {
        const QString file = QFileDialog::getOpenFileName(parentWidget, captionText, startPath(), filterString());
        if (!file.isEmpty())
            result.append(file);
    }
    result.removeAll(QString());
    chosen = result;
    return chosen.isEmpty() ? 0 : 1;
}
