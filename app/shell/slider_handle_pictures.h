// The pictures of the application style's slider handles, drawn here at run
// time: a rounded grip with a point, upright (pointing down) for horizontal
// sliders and lying on its side (pointing right) for vertical ones. Drawn
// once per orientation and kept for the rest of the run.
#ifndef APP_SHELL_SLIDER_HANDLE_PICTURES_H
#define APP_SHELL_SLIDER_HANDLE_PICTURES_H

#include <QPixmap>
#include <Qt>

// The handle of a slider of this orientation. The horizontal picture is
// 12 x 20 pixels, the vertical one 20 x 12.
QPixmap sliderHandlePicture(Qt::Orientation orientation);

#endif
