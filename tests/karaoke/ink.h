#pragma once
// Reading what a lyric window shows: where a band of its surface holds pixels
// of a colour.
#include <QImage>

#include <algorithm>
#include <cstdlib>

#include "platform/forms/form.h"

namespace inktest {

constexpr int kTwipsPerPixel = 15;

inline bool near(QRgb px, long bgr)
{
    const int r = bgr & 0xFF, g = (bgr >> 8) & 0xFF, b = (bgr >> 16) & 0xFF;
    return std::abs(qRed(px) - r) < 40 && std::abs(qGreen(px) - g) < 40 && std::abs(qBlue(px) - b) < 40;
}

struct Ink {
    int minX = -1, maxX = -1;  // twips
    int count = 0;
};

// Pixels of `colour` inside rows y0..y1 and columns x0..x1 (twips).
inline Ink inkIn(const Form& f, long colour, double y0, double y1, double x0 = 0, double x1 = 1e9)
{
    const QImage& img = f.image();
    Ink ink;
    const int py1 = std::min(img.height(), int(y1 / kTwipsPerPixel));
    const int px1 = std::min(img.width(), int(std::min(x1, 1e8) / kTwipsPerPixel));
    for (int y = std::max(0, int(y0 / kTwipsPerPixel)); y < py1; ++y)
        for (int x = std::max(0, int(x0 / kTwipsPerPixel)); x < px1; ++x)
            if (near(img.pixel(x, y), colour)) {
                const int tx = x * kTwipsPerPixel;
                if (ink.count == 0 || tx < ink.minX)
                    ink.minX = tx;
                ink.maxX = std::max(ink.maxX, tx);
                ++ink.count;
            }
    return ink;
}

} // namespace inktest
