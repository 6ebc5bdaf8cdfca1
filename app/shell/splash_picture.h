// The picture of the splash screen shown while the program starts: the
// product's name over a photograph-like backdrop from which a shape has been
// cut out, drawn at run time.
#ifndef APP_SHELL_SPLASH_PICTURE_H
#define APP_SHELL_SPLASH_PICTURE_H

#include <QPixmap>

// The splash picture, 520 x 320 device-independent pixels, at `pixelRatio`.
QPixmap splashPicture(qreal pixelRatio = 1.0);

#endif
