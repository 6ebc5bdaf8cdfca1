// The icons of the tools that select and look rather than mark, drawn at
// run time like the other tool icons (tool_icons.h): the selection arrow
// over a patch with its handles, the hand, the magnifying glass and the
// pipette. Each call draws the icon anew (a tool asks once).
#ifndef APP_TOOLS_VIEW_TOOL_ICONS_H
#define APP_TOOLS_VIEW_TOOL_ICONS_H

#include <QIcon>

QIcon arrowToolIcon();
QIcon handToolIcon();
QIcon zoomToolIcon();
QIcon pipetteIcon();

#endif
