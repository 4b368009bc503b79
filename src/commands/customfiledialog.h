#pragma once

#include <functional>

#include <QDir>
#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;

// Gathers caption, name filters, start folder and mode of a file or folder
// question and shows it with the static QFileDialog functions, so the
// platform's own dialog is used.
class CustomFileDialog final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CustomFileDialog)

public:
    explicit CustomFileDialog(QWidget *parent = nullptr);

    // 3: several existing files ("Apri"); 2 or 4: a folder ("Seleziona una
    // cartella"); any other value changes nothing.
    void setFileMode(int mode);
    void setDirectory(const QDir &directory);
    // A pattern "*.*" becomes "*" except on Windows: all files either way.
    void setNameFilters(const QStringList &filters);

    QStringList selectedFiles() const;

    QStringList nameFilters() const { return filters; }
    int mode() const { return fileMode; }
    // The filter string handed to the dialog: the filters joined with ";;".
    QString filterString() const;
    // The folder the dialog starts in (absolute).
    QString startPath() const;

    // The seam tests answer through: when a responder is installed, exec()
    // asks it instead of showing a dialog. It returns the chosen paths (as a
    // QFileDialog would: forward slashes); an empty list is a cancel.
    using Responder = std::function<QStringList(const CustomFileDialog &dialog)>;
    static void setResponder(Responder responder);

public slots:
    // Shows the dialog; 1 when the user chose something, 0 otherwise.
    int exec();

private:
    QWidget *parentWidget;
    QString captionText;
    QStringList filters;
    QString startDirectory;
    int fileMode = 0;
    QStringList chosen;
};
