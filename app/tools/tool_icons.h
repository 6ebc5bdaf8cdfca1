// The tools' icons, drawn here at run time so that the program carries no
// artwork of anyone else: a brush tip in the class colour of the mask it
// paints, with marks for its reach (exact: the dab alone; local: the dab in
// the region it floods; global: like regions across the picture), the
// clean tool's filled hole, and the outlines the patch, forced-edge and
// preview tools draw. Each call draws the icon anew (a tool asks once).
#ifndef APP_TOOLS_TOOL_ICONS_H
#define APP_TOOLS_TOOL_ICONS_H

#include <QColor>
#include <QIcon>

// `status` 1 erase, 2 keep, 4 delete, 8 blend; `scope` 0 exact, 1 local, 2 global.
QIcon maskBrushIcon(int status, int scope);
QIcon cleanToolIcon();
// A polyline along the edge between a dark and a light area.
QIcon forcedEdgeToolIcon();
// A patch (in the outline colour of an active patch) painted by a brush,
// drawn as a polygon with its vertices, or as a rectangle with its corners.
QIcon patchBrushIcon();
QIcon polygonPatchIcon();
QIcon rectanglePatchIcon();
// A frame over a chequered, see-through inside where part of a shape is cut out.
QIcon cutoutPreviewIcon();

// The colour an icon gives the mask status (grey for erase).
QColor iconColourOf(int status);

#endif
