#include "mainwindow.h"

MainWindow::MainWindow(bool interactive, QWidget *parent)
    : QMainWindow(parent)
    , interactive(interactive)
{
}

MainWindow::~MainWindow() = default;

bool MainWindow::canRun() const { return true; }
bool MainWindow::isValidInstance() const { return true; }
void MainWindow::_cmd(QStringList &args, const QString &processPidFilePath) { Q_UNUSED(args) Q_UNUSED(processPidFilePath) }
void MainWindow::_cmd(QStringList &args) { _cmd(args, QString()); }
