#include "layout.h"

#include <algorithm>

#include "config/buttonconfig.h"

namespace Layout {

QSize buttonSize(const QSize &own, const LauncherConfig::Layout &layout)
{
    int w = own.width();
    int h = own.height();
    if (w == 0)
        w = int(layout.buttonWidth);
    if (h == 0)
        h = int(layout.buttonHeight);
    return { qMax(0, w), qMax(0, h) };
}

QVector<QRectF> homeRects(const LauncherConfig::Layout &layout, const QVector<QSize> &ownSizes)
{
    QVector<QRectF> rects;
    rects.reserve(ownSizes.size());
    double sumWidths = 0.0;
    double sumHeights = 0.0;
    for (int i = 0; i < ownSizes.size(); ++i) {
        const QSize size = buttonSize(ownSizes.at(i), layout);
        const double x = layout.vertical ? layout.paddingLeft : layout.paddingLeft + i * layout.marginRight + sumWidths;
        const double y = layout.vertical ? layout.paddingTop + i * layout.marginTop + sumHeights : layout.paddingTop;
        sumWidths += size.width();
        sumHeights += size.height();
        rects.append(QRectF(x, y, size.width(), size.height()));
    }
    return rects;
}

QRectF openRect(const LauncherConfig::Layout &layout, const QRectF &home)
{
    // A hundredth of a pixel past the padding, where folder buttons have
    // always opened.
    constexpr double nudge = 0.01;
    return layout.vertical ? QRectF(home.x(), layout.paddingTop + nudge, home.width(), home.height())
                           : QRectF(layout.paddingLeft + nudge, home.y(), home.width(), home.height());
}

QRectF entryRect(const LauncherConfig::Layout &layout, int k, const QSize &own, double folderY)
{
    const QSize size = buttonSize(own, layout);
    const int slot = k + 1;
    if (layout.vertical)
        return QRectF(layout.paddingLeft, slot * size.height() + slot * layout.marginTop + layout.paddingTop,
            size.width(), size.height());
    return QRectF(
        slot * size.width() + slot * layout.marginRight + layout.paddingLeft, folderY, size.width(), size.height());
}

std::vector<const ButtonConfig *> topLevelOrder(std::vector<const ButtonConfig *> records)
{
    std::stable_sort(records.begin(), records.end(),
        [](const ButtonConfig *a, const ButtonConfig *b) { return a->priority > b->priority; });
    return records;
}

std::vector<const ButtonConfig *> entryOrder(const ButtonConfig &folder)
{
    std::vector<const ButtonConfig *> entries;
    for (const auto &child : folder.children)
        entries.push_back(child.get());
    std::stable_sort(entries.begin(), entries.end(),
        [](const ButtonConfig *a, const ButtonConfig *b) { return a->priority < b->priority; });
    return entries;
}

std::vector<Placed> place(const LauncherConfig::Layout &layout, const std::vector<const ButtonConfig *> &records,
    const std::function<QSize(const ButtonConfig &)> &ownSize)
{
    const std::vector<const ButtonConfig *> ordered = topLevelOrder(records);
    QVector<QSize> sizes;
    for (const ButtonConfig *record : ordered)
        sizes.append(ownSize(*record));
    const QVector<QRectF> rects = homeRects(layout, sizes);
    std::vector<Placed> placed;
    for (size_t i = 0; i < ordered.size(); ++i) {
        Placed button { ordered[i], rects.at(int(i)), {} };
        const std::vector<const ButtonConfig *> entries = entryOrder(*ordered[i]);
        for (size_t k = 0; k < entries.size(); ++k)
            button.entries.push_back(
                { entries[k], entryRect(layout, int(k), ownSize(*entries[k]), button.rect.y()), {} });
        placed.push_back(std::move(button));
    }
    return placed;
}

} // namespace Layout
