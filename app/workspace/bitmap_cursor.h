// Cursors drawn as one-bit pictures: the tools' and the navigator's own
// pointers. A picture is a bitmap and a mask of one size: where the mask is
// set the cursor shows black (bitmap set) or white (bitmap clear); where it
// is clear, whatever lies beneath shows through.
#ifndef APP_WORKSPACE_BITMAP_CURSOR_H
#define APP_WORKSPACE_BITMAP_CURSOR_H

#include <QBitmap>
#include <QCursor>

#include <memory>

// A cursor of `bitmap` and `mask` whose hot spot is (hotX, hotY); null when
// either picture is null or their sizes differ (the caller then falls back
// on a standard shape).
std::unique_ptr<QCursor> createBitmapCursor(int hotX, int hotY, const QBitmap& bitmap,
                                            const QBitmap& mask);

// The mask that frames a drawing in white: every pixel set in `bitmap` or
// touching one that is (the eight neighbours), so the black lines read on
// dark and light images alike.
QBitmap outlineMask(const QBitmap& bitmap);

#endif
