#pragma once

#include <memory>
#include <vector>

#include <QMap>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QVariant>

#include "commands/commandlauncher.h"
#include "config/buttonconfig.h"
#include "widgets/graphicoverlay.h"
#include "widgets/textoverlay.h"

class ICommand;
class QState;

// The widget of one link. It paints nothing itself: its picture, title,
// hover and drag pictures are overlays, siblings of the button in its parent,
// which the button keeps in step with its position, focus and checked state.
// A click or Return starts its command (or toggles its sub-menu); files
// dropped on it go to its drop command.
class LaunchButton final : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LaunchButton)
    Q_PROPERTY(bool showChecked READ showChecked WRITE setShowChecked)

public:
    // Takes the record over (children included); the caller's record is left
    // empty. A null record gives a button with the built-in defaults.
    LaunchButton(ButtonConfig *config, QWidget *parent);
    // Deletes the overlays, then the child buttons, then the record.
    ~LaunchButton() override;

    const ButtonConfig &configuration() const { return config; }
    // The size a button of this record takes: the record's, or its
    // picture's when the record gives neither width nor height.
    static QSize ownSize(const ButtonConfig &record);
    // Where the title of a button of this record standing at position goes:
    // moved by the title offsets, at the button's own size.
    static QRect titleArea(const ButtonConfig &record, const QPoint &position);
    // The buttons of the sub-menu, by ascending priority, made on the first
    // call as hidden siblings of this button.
    const std::vector<LaunchButton *> &children();
    // Whether the sub-menu has entries; reads them when they were left for
    // later (ButtonConfig::Reading::EntryOnly).
    bool hasChildren()
    {
        config.readDeferredChildren();
        return !config.children.empty();
    }
    // The same without reading anything: entries are there or still to be
    // read (those may turn out to be none).
    bool mayHaveChildren() const { return !config.children.empty() || config.hasDeferredChildren(); }
    // The state of this button's open sub-menu. Created without a parent;
    // whoever adds it to a state machine owns it from then on.
    QState *subMenu() const { return subMenuState; }

    bool showChecked() const { return checked; }
    // Emits valueChanged("showChecked", ...) even when the value stays.
    void setShowChecked(bool value);

    void setHomePosition(const QPoint &position);
    void restoreOverlays();
    void refreshCheckImage();
    void updateAccessibility();
    void setAccessibleNameIfChanged(const QString &name);
    void setAccessibleDescriptionIfChanged(const QString &description);

    // Files named on the command line or chosen by a document action.
    void handOver(const QStringList &arguments, const QString &processIdFilePath);
    // configured: from the link file, placeholders still in; user: paths
    // the user handed over, delivered as they are.
    void startCommand(int type, const QString &path, const QStringList &configured, const QStringList &user,
        const QString &processIdFilePath);

    void setVisible(bool visible) override;

    GraphicOverlay *iconOverlayWidget() const { return iconOverlay; }
    TextOverlay *titleOverlayWidget() const { return titleOverlay; }

signals:
    void done();
    void reload(QString linksFolder);
    void startProcess();
    void valueChanged(QString name, QVariant value, QVariant oldValue = QVariant());

protected slots:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void onChildDone();
    void onStartProcess();
    void onValueChanged(QString name, QVariant value, QVariant oldValue = QVariant());

private:
    QPoint positionInParent() const;
    LaunchRequest request(int type, const QString &path, const QStringList &configured, const QStringList &user,
        const QString &pidPath) const;
    // Runs the request's chain, begun with first where one is given.
    void run(const LaunchRequest &request, std::unique_ptr<ICommand> first);

    std::vector<LaunchButton *> childButtons;
    bool childrenMade = false;
    std::vector<QPointer<LaunchButton>> childGuards;
    ButtonConfig config;
    int dragMode = 0;
    bool dropMenuOpen = false;
    QState *subMenuState = nullptr;
    QPointer<QState> subMenuGuard;
    bool checked = false;
    QPointer<GraphicOverlay> dragOverlay;
    QPointer<GraphicOverlay> hoverOverlay;
    QPointer<TextOverlay> titleOverlay;
    QPointer<GraphicOverlay> iconOverlay;
};
