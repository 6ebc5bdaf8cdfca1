// The main window's pictures, drawn here at run time so that the program
// carries no artwork of anyone else: the undo and redo arrows, the stop sign
// of the cancel action, the preferences' sliders, the magnifiers of the zoom
// actions, the clean commands (a mask of the class colour with its holes
// being filled), the cut-out command and the logo at the head of the tool
// palette. Each call draws the picture anew (the window asks once).
#ifndef APP_SHELL_MAIN_WINDOW_ICONS_H
#define APP_SHELL_MAIN_WINDOW_ICONS_H

#include <QIcon>
#include <QPixmap>

QIcon undoIcon();
QIcon redoIcon();
QIcon stopIcon();
QIcon preferencesIcon();
QIcon zoomInIcon();
QIcon zoomOutIcon();
// `statuses` 2 keep, 4 delete, 8 blend, or 14 for all three.
QIcon cleanStatusesIcon(int statuses);
QIcon cleanLastSelectionIcon();
QIcon createCutoutIcon();

// The product's mark at the head of the tool palette, and the same mark lit
// up for the pointer resting on it.
QPixmap paletteLogo();
QPixmap paletteLogoActive();

#endif
