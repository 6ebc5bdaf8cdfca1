// The tools' own pointers, drawn here as one-bit pictures (see
// workspace/bitmap_cursor.h and workspace/cursor_art.h) so that the program
// carries no artwork of anyone else.
#ifndef APP_TOOLS_TOOL_CURSORS_H
#define APP_TOOLS_TOOL_CURSORS_H

#include <QBitmap>
#include <QCursor>
#include <QStringList>

#include <memory>

// The polygon tools' picture (32 x 32): a cross-hair centred on the hot
// spot (5, 16) with a small polygon outline below and to the right.
QBitmap polygonCursorBitmap();
// The polygon tools' cursor: that picture framed in white, hot spot (5, 16).
std::unique_ptr<QCursor> createPolygonCursor();

// The zoom tool's pointers (16 x 16): a magnifying glass whose lens is
// centred on the hot spot (6, 6), showing a plus (zoom in), a minus (zoom
// out) or nothing (no zoom step possible that way).
QStringList zoomInArt();
QStringList zoomOutArt();
QStringList zoomUnavailableArt();
std::unique_ptr<QCursor> createZoomInCursor();
std::unique_ptr<QCursor> createZoomOutCursor();
std::unique_ptr<QCursor> createZoomUnavailableCursor();

// The pipette's picture (32 x 32): a dropper whose tip is the hot spot
// (0, 31), the bottom-left corner, with its bulb at the top right.
QBitmap pipetteCursorBitmap();
// The pipette's cursor: that picture framed in white, hot spot (0, 31).
std::unique_ptr<QCursor> createPipetteCursor();

#endif
