// The colour workspace's pictures, drawn here at run time so that the program
// carries no artwork of anyone else: the paint buckets that assign the
// selected colours to a mask (or clear it), the two mode buttons, the eyes
// of the four views, the colour sampler's icon (its pointer is the
// pipette's, tools/tool_cursors.h), and the picture of the palette button
// that shows and hides the panel.
#ifndef APP_COLOUR_WORKSPACE_COLOUR_WORKSPACE_ICONS_H
#define APP_COLOUR_WORKSPACE_COLOUR_WORKSPACE_ICONS_H

#include <QIcon>
#include <QPixmap>

// A bucket (22 x 19) pouring the class colour of `status`: 2 keep, 4 delete,
// 8 blend; 1 an empty bucket with nothing in it (remove the masks).
QPixmap bucketPicture(int status);
// Histogram mode (32 x 16): columns of several heights. Colour-map mode
// (32 x 16): a patch of blended colours.
QPixmap histogramModePicture();
QPixmap colourMapModePicture();
// An eye (16 x 16) in the class colour of `status` (1 grey, 2 green, 4 red, 8 blue).
QPixmap eyePicture(int status);
// The "off" form of a view toggle's icon: its 64-pixel pixmap with a red
// cross over the upper right quarter.
QPixmap crossedOut(const QIcon& icon);
// The small triangle pointing down on the axis choosers (9 x 9).
QPixmap chooserTriangle();
// The colour sampler's icon: a dropper over a small swatch of colours.
QIcon colourSamplerIcon();
// The palette button's picture: a painter's palette with colour dabs.
QIcon colourWorkspacePaletteIcon();

#endif
