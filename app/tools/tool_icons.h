// The tools' icons, drawn here at run time so that the program carries no
// artwork of anyone else: a brush tip in the class colour of the mask it
// paints, with marks for its reach (exact: the dab alone; local: the dab in
// the region it floods; global: like regions across the picture), and the
// clean tool's filled hole. Each call draws the icon anew (a tool asks once).
#ifndef APP_TOOLS_TOOL_ICONS_H
#define APP_TOOLS_TOOL_ICONS_H

#include <QColor>
#include <QIcon>

// `status` 1 erase, 2 keep, 4 delete, 8 blend; `scope` 0 exact, 1 local, 2 global.
QIcon maskBrushIcon(int status, int scope);
QIcon cleanToolIcon();

// The colour an icon gives the mask status (grey for erase).
QColor iconColourOf(int status);

#endif
