#include "colour_workspace/colour_quantisation.h"

#include "colour_space.h"

int replicateBits(int index, int shift) {
    const std::uint8_t a = std::uint8_t(index);
    switch (shift) {
    case 0:
        return a;
    case 1:
        return std::uint8_t((a << 1) | (a >> 6));
    case 2:
        return std::uint8_t((a << 2) | (a >> 4));
    case 3:
        return std::uint8_t((a << 3) | (a >> 2));
    case 4:
        return std::uint8_t((a << 4) | a);
    case 5:
        return std::uint8_t((a << 5) | (a << 2) | (a >> 1));
    case 6:
        return std::uint8_t((a << 6) | (a << 4) | (a << 2) | a);
    case 7:
        return a == 1 ? 255 : 0;
    default:
        return index;
    }
}

int channelValue(const QColor& colour, Bx::colour::channel channel) {
    const QRgb rgb = colour.rgb();
    switch (channel) {
    case Bx::colour::Hue:
        return Bx::colour::hue(rgb);
    case Bx::colour::Lightness:
        return Bx::colour::lightness(rgb);
    case Bx::colour::Saturation:
        return Bx::colour::saturation(rgb);
    case Bx::colour::Green:
        return qGreen(rgb);
    case Bx::colour::Blue:
        return qBlue(rgb);
    case Bx::colour::Red:
    default:
        return qRed(rgb);
    }
}
