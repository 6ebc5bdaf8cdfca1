// The colour axes of the colour workspace: every pixel has a value from 0 to
// 255 on each. Values 0 to 2 form the HSL family, 3 to 5 the RGB family; they
// are also the axes' positions in the axis menus.
#ifndef BASE_INCLUDE_COLOUR_CHANNEL_H
#define BASE_INCLUDE_COLOUR_CHANNEL_H

#include <QMetaType>

namespace Bx {
namespace colour {

// The axes are capitalised: hue(), lightness() and saturation() of a colour
// (colour_space.h) live in this namespace too.
enum channel {
    Hue = 0,
    Lightness = 1,
    Saturation = 2,
    Red = 3,
    Green = 4,
    Blue = 5,
    NonRgb = 1000, // an axis that is not a colour component
};

} // namespace colour
} // namespace Bx

Q_DECLARE_METATYPE(Bx::colour::channel)

#endif
