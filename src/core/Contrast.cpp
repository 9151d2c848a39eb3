#include "Contrast.h"

#include <algorithm>
#include <cmath>

namespace {

double linear(int channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

} // namespace

double RelativeLuminance(Rgb colour)
{
    return 0.2126 * linear(colour.r) + 0.7152 * linear(colour.g) + 0.0722 * linear(colour.b);
}

double ContrastRatio(Rgb a, Rgb b)
{
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb ReadableRed(Rgb background, double floor)
{
    // Step by step away from pure red in both directions: darker (the red channel falls) and
    // lighter (green and blue rise together, so the hue stays red). The first step that reaches
    // the floor is the red nearest the pure one.
    for (int step = 0; step <= 255; ++step) {
        const Rgb darker{255 - step, 0, 0};
        if (ContrastRatio(darker, background) >= floor) {
            return darker;
        }
        const Rgb lighter{255, step, step};
        if (ContrastRatio(lighter, background) >= floor) {
            return lighter;
        }
    }
    const Rgb black{0, 0, 0};
    const Rgb white{255, 255, 255};
    return ContrastRatio(black, background) >= ContrastRatio(white, background) ? black : white;
}

Rgb ReadableBackground(Rgb background, Rgb text, double floor)
{
    const int target = RelativeLuminance(text) > RelativeLuminance(background) ? 0 : 255;
    const auto mix = [target](int channel, int step) { return channel + (target - channel) * step / 100; };
    Rgb mixed = background;
    for (int step = 0; step <= 100 && ContrastRatio(mixed, text) < floor; ++step) {
        mixed = Rgb{mix(background.r, step), mix(background.g, step), mix(background.b, step)};
    }
    return mixed;
}
