#pragma once

#include <QPixmap>
#include <QPushButton>
#include <QStringList>

// A push button drawn only from pixmaps, with its own checked state that
// flips on every left-button release, and an optional command: the word
// "OPENFOLDER" with a folder, or a program with its arguments.
class ToolButton final : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToolButton)

public:
    explicit ToolButton(QWidget *parent = nullptr);

    void setCheckedPixmap(const QPixmap &pixmap, bool current);
    void setUncheckedPixmap(const QPixmap &pixmap, bool current);
    void setPosition(const QPointF &position);
    void setCommand(const QString &command, const QStringList &arguments, const QString &workingDir);

    bool isOwnChecked() const { return checked; }
    const QPixmap &pixmap() const { return currentPixmap; }

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // Flips the own checked state, runs the command and tells the window.
    void activate();
    void runCommand();

    bool checked = false;
    QPixmap currentPixmap;
    QPixmap checkedPixmap;
    QPixmap uncheckedPixmap;
    QString command;
    QStringList arguments;
    QString workingDir;
};
