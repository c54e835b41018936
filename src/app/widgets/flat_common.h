#pragma once

// What the flat controls share: the paint hook, the glyph list and the filled rectangles the
// flat parts are made of.

#include "app/widgets/xgraph_utils.h"

#include <QList>
#include <QObject>
#include <QPixmap>
#include <QRect>

#include <functional>
#include <vector>

class QPainter;

namespace sw {

// Called before every flat repaint with `continuePainting` true; a handler that clears it
// leaves the control to the platform's ordinary painting.
using TAlPaintEvent = std::function<void(QObject* sender, bool& continuePainting)>;

// A list of pictures a control can show by index. Controls keep a guarded reference: when
// the list is destroyed they forget it and repaint.
class TImageList : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    QList<QPixmap> images;
    bool validIndex(int index) const { return index >= 0 && index < images.size(); }
};

// One piece of a flat control's picture: a rectangle filled with a colour. The flat parts
// are lists of these, computed from the size and the colours, so they are testable without
// painting; a one-pixel line is a rectangle one pixel thick.
struct FilledRect {
    QRect rect;
    TColor color = 0;
};
using FlatParts = std::vector<FilledRect>;

// A one-pixel frame just inside `r`.
void addFrame(FlatParts& parts, const QRect& r, TColor color);

void paintFlatParts(QPainter& painter, const FlatParts& parts);

} // namespace sw
