// The pieces the program's drawn icons share (the tools' icons here and the
// main window's in the shell): the blank icon they are drawn on, the colours
// of an active patch and its handles, and the chequer that stands for where
// the background was cut away.
#ifndef APP_TOOLS_ICON_PAINTING_H
#define APP_TOOLS_ICON_PAINTING_H

#include <QColor>
#include <QPixmap>
#include <QPointF>
#include <QVector>

class QPainter;

namespace icon_painting {

constexpr int kIconSize = 32;

// The outline colour of an active patch or forced edge, and its shade for
// the handles.
inline const QColor kPatchColour(240, 190, 0);
inline const QColor kPatchShade(150, 100, 0);

// A transparent icon of kIconSize pixels square.
QPixmap blankIcon();
// The white square handles of an active patch at `points`.
void drawHandles(QPainter& painter, const QVector<QPointF>& points);
// `cells` by `cells` squares of 4 pixels, light and lighter grey, from `topLeft`.
void drawChequer(QPainter& painter, const QPointF& topLeft, int cells);

} // namespace icon_painting

#endif
