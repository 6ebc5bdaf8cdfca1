// The colour axes of the colour workspace: every pixel has a value from 0 to
// 255 on each. Values 0 to 2 form the HSL family, 3 to 5 the RGB family; they
// are also the axes' positions in the axis menus.
#ifndef BASE_INCLUDE_COLOUR_CHANNEL_H
#define BASE_INCLUDE_COLOUR_CHANNEL_H

#include <QMetaType>

namespace Bx {
namespace colour {

enum channel {
    hue = 0,
    lightness = 1,
    saturation = 2,
    red = 3,
    green = 4,
    blue = 5,
    nonRgb = 1000, // an axis that is not a colour component
};

} // namespace colour
} // namespace Bx

Q_DECLARE_METATYPE(Bx::colour::channel)

#endif
