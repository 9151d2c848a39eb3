#pragma once

/// A colour as its three 8-bit channels, 0 to 255.
struct Rgb
{
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

/// The smallest contrast between a text and its background that reads well: 4.5 to 1 for
/// ordinary text, 3 to 1 for large text (bold from 14 points, or from 18 points).
inline constexpr double NormalTextContrast = 4.5;
inline constexpr double LargeTextContrast = 3.0;

/// The relative luminance of an sRGB colour: 0 for black, 1 for white.
double RelativeLuminance(Rgb colour);
/// The contrast ratio of two colours, from 1 (equal) to 21 (black on white), in either order.
double ContrastRatio(Rgb a, Rgb b);
/// The red nearest pure red (#FF0000) that reaches floor against background: darkened (less red)
/// on a light background, lightened towards white on a dark one, whichever needs the smaller step.
/// Where neither reaches the floor, the one with the higher contrast.
Rgb ReadableRed(Rgb background, double floor = NormalTextContrast);
/// The background itself where text reaches floor on it; otherwise the background mixed with
/// black or white (away from the text), as little as it takes to reach the floor.
Rgb ReadableBackground(Rgb background, Rgb text, double floor = NormalTextContrast);
