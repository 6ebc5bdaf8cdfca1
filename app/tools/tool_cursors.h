// The tools' own pointers, drawn here as one-bit pictures (see
// workspace/bitmap_cursor.h) so that the program carries no artwork of
// anyone else.
#ifndef APP_TOOLS_TOOL_CURSORS_H
#define APP_TOOLS_TOOL_CURSORS_H

#include <QBitmap>
#include <QCursor>

#include <memory>

// The polygon tools' picture (32 x 32): a cross-hair centred on the hot
// spot (5, 16) with a small polygon outline below and to the right.
QBitmap polygonCursorBitmap();
// The polygon tools' cursor: that picture framed in white, hot spot (5, 16).
std::unique_ptr<QCursor> createPolygonCursor();

#endif
