// The icon of the edge finder's advanced toggle: two stacked chevrons,
// pointing down while the advanced options can be shown and up while they
// can be hidden. Drawn at run time (16 x 16).
#ifndef APP_PANELS_DOUBLE_ARROW_ICON_H
#define APP_PANELS_DOUBLE_ARROW_ICON_H

#include <QIcon>

// `show` true: the chevrons point down ("Show the advanced options").
QIcon doubleArrowIcon(bool show);

#endif
