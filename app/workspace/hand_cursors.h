// The hand pointers of the navigator and the hand tool, drawn as one-bit
// pictures (16 x 16): a hand pointing up, for clicking a point to centre the
// view on; an open hand, over something that can be dragged; and a grabbing
// hand, while dragging.
#ifndef APP_WORKSPACE_HAND_CURSORS_H
#define APP_WORKSPACE_HAND_CURSORS_H

#include <QCursor>
#include <QStringList>

#include <memory>

// Hot spot (5, 1), the tip of the index finger.
std::unique_ptr<QCursor> createPointingHandCursor();
// Hot spot (7, 7), the middle of the palm.
std::unique_ptr<QCursor> createOpenHandCursor();
// Hot spot (8, 9), the middle of the fist.
std::unique_ptr<QCursor> createGrabbingHandCursor();

// The pictures, for looking at them.
QStringList pointingHandArt();
QStringList openHandArt();
QStringList grabbingHandArt();

#endif
