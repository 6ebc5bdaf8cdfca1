// One-bit cursor pictures written as rows of characters, so a small pointer
// can be drawn and read in the source: '#' is black, '.' is white and a
// space lets the image beneath show through.
#ifndef APP_WORKSPACE_CURSOR_ART_H
#define APP_WORKSPACE_CURSOR_ART_H

#include <QBitmap>
#include <QCursor>
#include <QStringList>

#include <memory>

// The bitmap (set where a row holds '#') and the mask (set at '#' and '.')
// of `rows`, all of one length; two null bitmaps when the rows are empty or
// differ in length.
struct CursorArt {
    QBitmap bitmap;
    QBitmap mask;
};
CursorArt cursorArt(const QStringList& rows);

// The cursor drawn by `rows` with its hot spot at (hotX, hotY); null when the
// rows do not make a picture.
std::unique_ptr<QCursor> createArtCursor(const QStringList& rows, int hotX, int hotY);

#endif
