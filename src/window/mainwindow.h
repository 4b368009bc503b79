#pragma once

#include <QMainWindow>
#include <QStringList>

// The launcher's only window (being built out: construction, behaviour,
// document actions and autorun).
class MainWindow final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    explicit MainWindow(bool interactive, QWidget *parent = nullptr);
    ~MainWindow() override;

public slots:
    bool canRun() const;
    bool isValidInstance() const;
    void _cmd(QStringList &args, const QString &processPidFilePath);
    void _cmd(QStringList &args);

private:
    bool interactive;
};
