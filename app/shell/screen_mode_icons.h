// The pictures of the three screen-mode buttons at the foot of the tool
// palette, 13 by 12 pixels, drawn at run time: a window with its title bar
// and menu (standard), a screen filled but for a menu strip (full screen with
// menu), and a screen filled edge to edge (full screen).
#ifndef APP_SHELL_SCREEN_MODE_ICONS_H
#define APP_SHELL_SCREEN_MODE_ICONS_H

#include <QPixmap>

// `mode` 0 standard, 1 full screen with menu, 2 full screen; a null pixmap otherwise.
QPixmap screenModePicture(int mode);

#endif
