// The backing image of forms and picture boxes, and the old drawing calls.
#include "platform/forms/surface.h"

#include "platform/forms/widgets_p.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QWidget>

#include <algorithm>
#include <cmath>

using namespace formsp;

namespace {
unsigned long long g_textWork = 0;
// Keeps damaged sizes (a window made absurdly large) from allocating gigabytes.
constexpr int kMaxSide = 16384;

QStringList splitLines(const QString& s)
{
    QString t = s;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace('\r', '\n');
    return t.split('\n');
}
} // namespace

struct Surface::Impl {
    QImage img;
    std::string fontName = "MS Sans Serif";
    double fontSize = 8.25;
    bool bold = false, italic = false, underline = false;
    QFont font;
    // What was drawn since the background was last filled (pixels): a Cls
    // paints only that again, not the controls that lie elsewhere on the
    // window; with nothing drawn it has nothing to clear, so a window cleared
    // on every tick of a fast timer costs no fill and no repaint while it
    // stays clear.
    QRegion drawn;
    void rebuildFont() { font = makeFont(fontName, fontSize, bold, italic, underline); }
};

Surface::Surface() : s_(std::make_unique<Impl>()) { s_->rebuildFont(); }
Surface::~Surface() = default;

void Surface::surfacePixelSize(int& width, int& height) const
{
    QWidget* w = surfaceWidget();
    width = w ? w->width() : 1;
    height = w ? w->height() : 1;
}

void Surface::ensureImage() const
{
    int w = 1, h = 1;
    surfacePixelSize(w, h);
    const_cast<Surface*>(this)->ensureSurfaceSize(w, h);
}

void Surface::ensureSurfaceSize(int widthPx, int heightPx)
{
    widthPx = std::clamp(widthPx, 1, kMaxSide);
    heightPx = std::clamp(heightPx, 1, kMaxSide);
    QImage& old = s_->img;
    if (!old.isNull() && old.width() >= widthPx && old.height() >= heightPx) return;
    int w = std::max(widthPx, old.isNull() ? 0 : old.width());
    int h = std::max(heightPx, old.isNull() ? 0 : old.height());
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(toQColor(backColor_));
    {
        QPainter p(&img);
        if (picture_.valid()) p.drawImage(0, 0, picture_.image());
        if (!old.isNull()) p.drawImage(0, 0, old);
    }
    s_->img = std::move(img);
}

const QImage& Surface::image() const
{
    ensureImage();
    return s_->img;
}

void Surface::paintSurface(QPainter& p) const
{
    ensureImage();
    p.drawImage(0, 0, s_->img);
}

void Surface::surfaceChanged()
{
    s_->drawn = QRegion(s_->img.rect());
    if (QWidget* w = surfaceWidget()) w->update();
}

void Surface::surfaceChanged(const QRect& changed)
{
    s_->drawn |= changed;
    if (QWidget* w = surfaceWidget()) w->update(changed);
}

void Surface::fillBackground()
{
    ensureImage();
    s_->img.fill(toQColor(backColor_));
    if (picture_.valid()) {
        QPainter p(&s_->img);
        p.drawImage(0, 0, picture_.image());
    }
    s_->drawn = QRegion();
}

void Surface::Cls()
{
    curX_ = 0;
    curY_ = 0;
    if (s_->drawn.isEmpty())
        return;
    const QRegion drawn = s_->drawn;
    fillBackground();
    if (QWidget* w = surfaceWidget()) w->update(drawn);
}

void Surface::setBackColor(long colour)
{
    backColor_ = colour;
    fillBackground();
    if (QWidget* w = surfaceWidget()) w->update();
}

void Surface::setPicture(const StdPicture& p)
{
    picture_ = p;
    fillBackground();
    if (QWidget* w = surfaceWidget()) w->update();
}

StdPicture Surface::ImageCopy() const
{
    ensureImage();
    int w = 1, h = 1;
    surfacePixelSize(w, h);
    w = std::clamp(w, 1, s_->img.width());
    h = std::clamp(h, 1, s_->img.height());
    return StdPicture(s_->img.copy(0, 0, w, h));
}

QFont Surface::font() const { return s_->font; }

std::string Surface::FontName() const { return s_->fontName; }
void Surface::setFontName(const std::string& name)
{
    s_->fontName = name;
    s_->rebuildFont();
}
double Surface::FontSize() const { return s_->fontSize; }
void Surface::setFontSize(double points)
{
    if (!(points > 0) || !std::isfinite(points)) return;
    s_->fontSize = points;
    s_->rebuildFont();
}
bool Surface::FontBold() const { return s_->bold; }
void Surface::setFontBold(bool b)
{
    s_->bold = b;
    s_->rebuildFont();
}
bool Surface::FontItalic() const { return s_->italic; }
void Surface::setFontItalic(bool b)
{
    s_->italic = b;
    s_->rebuildFont();
}
bool Surface::FontUnderline() const { return s_->underline; }
void Surface::setFontUnderline(bool b)
{
    s_->underline = b;
    s_->rebuildFont();
}

unsigned long long Surface::textWork() { return g_textWork; }

double Surface::TextWidth(const std::string& s) const
{
    g_textWork += s.size();
    QFontMetrics fm(s_->font);
    int w = 0;
    for (const QString& line : splitLines(qs(s))) w = std::max(w, fm.horizontalAdvance(line));
    return tw(w);
}

double Surface::TextHeight(const std::string& s) const
{
    QFontMetrics fm(s_->font);
    return tw(static_cast<double>(fm.height()) * static_cast<double>(splitLines(qs(s)).size()));
}

namespace {
void drawTextLine(QImage& img, const QFont& font, const QColor& colour, double xTw, double yTw, const QString& line)
{
    if (line.isEmpty()) return;
    // Only what can reach the surface is drawn: a row of thousands of
    // characters running far past the right edge costs no more than a full
    // row (a character narrower than half a pixel is the rare exception).
    const int left = px(xTw);
    const int room = img.width() - left;
    if (room <= 0) return;
    const qsizetype cap = qsizetype(room) * 2 + 16;
    if (left >= 0 && line.size() > cap) {
        qsizetype n = cap;
        if (line.at(n - 1).isHighSurrogate()) --n;
        drawTextLine(img, font, colour, xTw, yTw, line.left(n));
        return;
    }
    g_textWork += static_cast<unsigned long long>(line.size());
    QPainter p(&img);
    p.setFont(font);
    p.setPen(colour);
    QFontMetrics fm(font);
    p.drawText(QPoint(px(xTw), px(yTw) + fm.ascent()), line);
}
} // namespace

void Surface::Print(const std::string& text)
{
    ensureImage();
    QStringList lines = splitLines(qs(text));
    QFontMetrics fm(s_->font);
    QColor colour = toQColor(foreColor_);
    // What changed: the pixels the glyphs cover (their ink, which may reach a
    // little beyond their advance and above and below their row), and only
    // that is painted again: the controls that lie on the window beside the
    // text, above or below its row, are left alone.
    QRect changed;
    for (const QString& line : lines) {
        if (!line.isEmpty()) {
            const int x = px(curX_);
            const int y = px(curY_);
            // A text far wider than the surface (drawn only up to its edge)
            // is not measured: its row, from its start to the edge.
            const int room = s_->img.width() - x;
            if (room > 0 && line.size() > qsizetype(room) * 2 + 16) {
                const int slack = fm.height() / 2 + 2;
                changed |= QRect(x - slack, y - slack, room + slack, fm.height() + 2 * slack);
            } else {
                g_textWork += static_cast<unsigned long long>(line.size());
                // One pixel more all round for the edges that antialiasing softens.
                changed |= fm.tightBoundingRect(line).translated(x, y + fm.ascent()).adjusted(-1, -1, 1, 1);
            }
        }
        drawTextLine(s_->img, s_->font, colour, curX_, curY_, line);
        curX_ = 0;
        curY_ += tw(fm.height());
    }
    if (changed.isNull())
        return; // only moved down: nothing to show
    surfaceChanged(changed & s_->img.rect());
}

void Surface::PrintInline(const std::string& text)
{
    ensureImage();
    QStringList lines = splitLines(qs(text));
    QFontMetrics fm(s_->font);
    QColor colour = toQColor(foreColor_);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        drawTextLine(s_->img, s_->font, colour, curX_, curY_, lines[i]);
        if (i + 1 < lines.size()) {
            curX_ = 0;
            curY_ += tw(fm.height());
        } else {
            curX_ += tw(fm.horizontalAdvance(lines[i]));
        }
    }
    surfaceChanged();
}

void Surface::PaintPicture(const StdPicture& pic, double x, double y, double w, double h)
{
    if (!pic.valid()) return;
    ensureImage();
    QPainter p(&s_->img);
    int pw = w < 0 ? pic.pixelWidth() : px(w);
    int ph = h < 0 ? pic.pixelHeight() : px(h);
    if (pw <= 0 || ph <= 0) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(QRect(px(x), px(y), pw, ph), pic.image());
    surfaceChanged(QRect(px(x) - 1, px(y) - 1, pw + 2, ph + 2));
}

void Surface::DrawLine(double x1, double y1, double x2, double y2, long colour)
{
    ensureImage();
    QPainter p(&s_->img);
    p.setPen(QPen(toQColor(colour == -1 ? foreColor_ : colour), drawWidth_));
    p.drawLine(px(x1), px(y1), px(x2), px(y2));
    curX_ = x2;
    curY_ = y2;
    surfaceChanged();
}

void Surface::DrawBox(double x1, double y1, double x2, double y2, long colour, bool filled)
{
    ensureImage();
    QPainter p(&s_->img);
    QColor c = toQColor(colour == -1 ? foreColor_ : colour);
    QRect r(QPoint(px(std::min(x1, x2)), px(std::min(y1, y2))), QPoint(px(std::max(x1, x2)), px(std::max(y1, y2))));
    if (filled) {
        p.fillRect(r, c);
    } else {
        p.setPen(QPen(c, drawWidth_));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r);
    }
    curX_ = x2;
    curY_ = y2;
    surfaceChanged();
}
