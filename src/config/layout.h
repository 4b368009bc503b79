#pragma once

#include <functional>
#include <vector>

#include <QRectF>
#include <QSize>
#include <QVector>

#include "config/launcherconfig.h"

struct ButtonConfig;

// Where a skin's buttons go: the home row (or column) of the top-level
// buttons, highest priority first; the first slot, which a folder button
// takes while it is open; and the slots of the folder's entries beside it.
// Sizes are the buttons' own (the record's, or its picture's when the
// record gives neither width nor height); a side still zero takes the
// layout's button size.
namespace Layout {

QSize buttonSize(const QSize &own, const LauncherConfig::Layout &layout);

// The home rectangles of buttons of these own sizes, in layout order.
QVector<QRectF> homeRects(const LauncherConfig::Layout &layout, const QVector<QSize> &ownSizes);
// The slot an open folder button moves to from its home.
QRectF openRect(const LauncherConfig::Layout &layout, const QRectF &home);
// Entry k (from 0) of a folder whose button's home top is at folderY; in a
// horizontal layout the entries stand in that row.
QRectF entryRect(const LauncherConfig::Layout &layout, int k, const QSize &own, double folderY);

// Top-level records in layout order: highest priority first, equal ones in
// the order given. A folder's entries come lowest priority first.
std::vector<const ButtonConfig *> topLevelOrder(std::vector<const ButtonConfig *> records);
std::vector<const ButtonConfig *> entryOrder(const ButtonConfig &folder);

struct Placed {
    const ButtonConfig *record = nullptr;
    QRectF rect; // at home, or for a folder's entry while the folder is open
    std::vector<Placed> entries;
};
// The whole layout of these top-level records (in any order).
std::vector<Placed> place(const LauncherConfig::Layout &layout, const std::vector<const ButtonConfig *> &records,
    const std::function<QSize(const ButtonConfig &)> &ownSize);

} // namespace Layout
