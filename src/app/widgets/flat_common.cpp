#include "app/widgets/flat_common.h"

#include "app/widgets/qt_colors.h"

#include <QPainter>

namespace sw {

void addFrame(FlatParts& parts, const QRect& r, TColor color) {
    if (r.width() <= 0 || r.height() <= 0)
        return;
    // Four strips rather than drawRect: a 1-pixel-wide rectangle still gets its frame.
    parts.push_back({QRect(r.left(), r.top(), r.width(), 1), color});
    parts.push_back({QRect(r.left(), r.bottom(), r.width(), 1), color});
    parts.push_back({QRect(r.left(), r.top(), 1, r.height()), color});
    parts.push_back({QRect(r.right(), r.top(), 1, r.height()), color});
}

void paintFlatParts(QPainter& painter, const FlatParts& parts) {
    for (const FilledRect& part : parts)
        if (part.rect.isValid())
            painter.fillRect(part.rect, toQColor(part.color));
}

} // namespace sw
