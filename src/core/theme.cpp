// The built-in theme tiles, drawn by code, and the background tiling.
#include "core/theme.h"

#include "core/modini.h"
#include "platform/forms/app.h"

#include <cmath>
#include <numbers>

namespace {

constexpr int kTwips = 15; // twips per pixel

// Draws in pixel units onto a picture box's surface.
class TilePainter {
public:
    TilePainter(PictureBox& box, int widthPx, int heightPx, long background)
        : box_(box), w_(widthPx), h_(heightPx)
    {
        box_.Move(0, 0, w_ * kTwips, h_ * kTwips);
        box_.ensureSurfaceSize(w_, h_);
        box_.setBackColor(background);
        box_.Cls();
    }
    // What was drawn becomes the box's picture: the tile.
    ~TilePainter() { box_.setPicture(box_.ImageCopy()); }
    TilePainter(const TilePainter&) = delete;
    TilePainter& operator=(const TilePainter&) = delete;
    int width() const { return w_; }
    int height() const { return h_; }

    void line(double x1, double y1, double x2, double y2, long c)
    {
        box_.DrawLine(x1 * kTwips, y1 * kTwips, x2 * kTwips, y2 * kTwips, c);
    }
    void box(double x1, double y1, double x2, double y2, long c, bool filled)
    {
        box_.DrawBox(x1 * kTwips, y1 * kTwips, x2 * kTwips, y2 * kTwips, c, filled);
    }
    // Outline of an ellipse, as a polygon.
    void ellipse(double cx, double cy, double rx, double ry, long c)
    {
        constexpr int kSegments = 28;
        double px = cx + rx, py = cy;
        for (int i = 1; i <= kSegments; ++i) {
            const double a = 2 * std::numbers::pi * i / kSegments;
            const double x = cx + rx * std::cos(a), y = cy + ry * std::sin(a);
            line(px, py, x, y, c);
            px = x;
            py = y;
        }
    }
    void disc(double cx, double cy, double r, long c)
    {
        for (double dy = -r; dy <= r; dy += 1) {
            const double dx = std::sqrt(std::max(0.0, r * r - dy * dy));
            line(cx - dx, cy + dy, cx + dx, cy + dy, c);
        }
    }
    void arc(double cx, double cy, double r, double from, double to, long c)
    {
        constexpr int kSegments = 16;
        double px = cx + r * std::cos(from), py = cy + r * std::sin(from);
        for (int i = 1; i <= kSegments; ++i) {
            const double a = from + (to - from) * i / kSegments;
            const double x = cx + r * std::cos(a), y = cy + r * std::sin(a);
            line(px, py, x, y, c);
            px = x;
            py = y;
        }
    }
private:
    PictureBox& box_;
    int w_, h_;
};

// Colours are 0xBBGGRR.
long rgb(int r, int g, int b)
{
    return (static_cast<long>(b) << 16) | (static_cast<long>(g) << 8) | r;
}

// 1 "ZunMp3": soft blue with faint diagonal stripes and two notes.
void drawZunMp3(PictureBox& pb)
{
    TilePainter t(pb, 120, 120, rgb(197, 210, 226));
    const long stripe = rgb(189, 203, 221);
    for (int k = -120; k < 120; k += 12)
        for (int d = 0; d < 4; ++d)
            t.line(k + d, 0, k + d + 120, 120, stripe);
    const long note = rgb(176, 192, 214);
    t.disc(34, 80, 6, note);
    t.line(39, 80, 39, 48, note);
    t.line(40, 80, 40, 48, note);
    t.disc(84, 34, 5, note);
    t.disc(100, 30, 5, note);
    t.line(88, 34, 88, 10, note);
    t.line(104, 30, 104, 6, note);
    t.line(88, 10, 104, 6, note);
    t.line(88, 11, 104, 7, note);
}

// 2 and 6: brick walls.
void drawBricks(PictureBox& pb, long face, long mortar, long shade)
{
    TilePainter t(pb, 120, 120, mortar);
    const int rowH = 20;
    for (int row = 0; row < 6; ++row) {
        const int y = row * rowH;
        const int offset = (row % 2) ? 30 : 0;
        for (int x = -60 + offset; x < 120; x += 60) {
            t.box(x + 2, y + 2, x + 58, y + rowH - 1, face, true);
            t.line(x + 2, y + rowH - 2, x + 58, y + rowH - 2, shade);
        }
    }
}

// 3 "Bubble": bubbles on a blue ground.
void drawBubbles(PictureBox& pb)
{
    TilePainter t(pb, 100, 140, rgb(184, 197, 225));
    const long ring = rgb(236, 240, 250);
    const long glint = rgb(250, 252, 255);
    struct B { double x, y, r; } bubbles[] = {{25, 30, 14}, {70, 55, 9}, {40, 95, 18}, {85, 115, 7}, {80, 20, 5}};
    for (const B& b : bubbles) {
        t.ellipse(b.x, b.y, b.r, b.r, ring);
        t.arc(b.x, b.y, b.r * 0.6, 3.6, 4.6, glint);
    }
}

// 4 "Feather": a feather of slanted barbs on mauve.
void drawFeather(PictureBox& pb)
{
    TilePainter t(pb, 120, 120, rgb(205, 177, 187));
    const long shaft = rgb(235, 225, 232);
    const long barb = rgb(218, 200, 210);
    t.line(20, 105, 100, 15, shaft);
    t.line(21, 105, 101, 15, shaft);
    for (int i = 1; i < 14; ++i) {
        const double x = 20 + i * 80.0 / 14, y = 105 - i * 90.0 / 14;
        t.line(x, y, x - 16, y - 22, barb);
        t.line(x, y, x + 22, y + 14, barb);
    }
}

// 5 "Paws": paw prints on pale green.
void drawPaws(PictureBox& pb)
{
    TilePainter t(pb, 120, 120, rgb(214, 239, 214));
    const long paw = rgb(190, 222, 190);
    auto print = [&](double x, double y) {
        t.disc(x, y, 8, paw);
        t.disc(x - 10, y - 12, 4, paw);
        t.disc(x - 3, y - 16, 4, paw);
        t.disc(x + 5, y - 16, 4, paw);
        t.disc(x + 11, y - 11, 4, paw);
    };
    print(35, 45);
    print(85, 100);
}

// 7 "Smiley": smiling faces on yellow.
void drawSmiley(PictureBox& pb)
{
    TilePainter t(pb, 120, 120, rgb(255, 255, 153));
    const long face = rgb(235, 215, 110);
    auto smiley = [&](double x, double y, double r) {
        t.ellipse(x, y, r, r, face);
        t.disc(x - r * 0.35, y - r * 0.3, r * 0.12, face);
        t.disc(x + r * 0.35, y - r * 0.3, r * 0.12, face);
        t.arc(x, y, r * 0.6, 0.5, std::numbers::pi - 0.5, face);
    };
    smiley(35, 40, 20);
    smiley(90, 95, 16);
}

// 8 "Mix": a quilt of pastel squares.
void drawMix(PictureBox& pb)
{
    TilePainter t(pb, 120, 120, rgb(193, 166, 221));
    const long colours[] = {rgb(193, 166, 221), rgb(186, 205, 230), rgb(232, 247, 232), rgb(255, 230, 168)};
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            t.box(col * 30, row * 30, col * 30 + 29, row * 30 + 29, colours[(row + col) % 4], true);
}

} // namespace

Theme& theme()
{
    return formInstance<Theme>();
}

Theme::Theme()
{
    setCaption("Theme");
    for (int i = 0; i < kPictures; ++i) {
        Picture_Pgm[i].setIndex(i);
        Picture_Pgm[i].setBorderStyle(0);
        Picture_Pgm[i].setVisible(false);
    }
}

void Theme::Form_Load()
{
    drawZunMp3(Picture_Pgm[1]);
    drawBricks(Picture_Pgm[2], rgb(212, 206, 200), rgb(230, 230, 230), rgb(190, 184, 178));
    drawBubbles(Picture_Pgm[3]);
    drawFeather(Picture_Pgm[4]);
    drawPaws(Picture_Pgm[5]);
    drawBricks(Picture_Pgm[6], rgb(200, 160, 202), rgb(222, 200, 224), rgb(176, 136, 178));
    drawSmiley(Picture_Pgm[7]);
    drawMix(Picture_Pgm[8]);
}

void Theme::SetUserPicture(const StdPicture& picture)
{
    PictureBox& box = Picture_Pgm[0];
    box.setPicture(picture);
    if (picture.valid())
        box.Move(0, 0, picture.Width(), picture.Height());
}

namespace modIni {

int ThemePictureIndex(const std::string& pathPgmImage, int themeIndex)
{
    if (pathPgmImage.empty())
        return -1;
    if (pathPgmImage[0] != '@')
        return 0;
    if (themeIndex == -1)
        return -1;
    if (themeIndex < 0 || themeIndex >= Theme::kPictures)
        return -1;
    return themeIndex;
}

void TileFormBackground(Form& form)
{
    const int i = ThemePictureIndex(PathPgmImage, ThemeIndex);
    if (i < 0)
        return;
    PictureBox& box = theme().Picture_Pgm[i];
    const StdPicture& pic = box.Picture();
    if (!pic.valid() || pic.Handle() == 0)
        return;
    form.setAutoRedraw(true);
    const int w = box.Width();
    const int h = box.Height();
    // A tile without width or height would never advance.
    if (w <= 0 || h <= 0)
        return;
    for (long x = 0; x <= form.ScaleWidth(); x += w)
        for (long y = 0; y <= form.ScaleHeight(); y += h)
            form.PaintPicture(pic, x, y, w, h);
}

} // namespace modIni
