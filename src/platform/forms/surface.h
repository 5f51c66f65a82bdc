#pragma once
// The drawing surface of a Form or a PictureBox, kept in a backing image the
// size of the client area (the surface always redraws itself from it, as with
// AutoRedraw on): what is printed or drawn stays until Cls or until it is
// painted over, and is what the window shows. Coordinates are twips.
//
// Print(s) draws s transparently in ForeColor at (CurrentX, CurrentY) in the
// surface's font, then moves to the start of the next text row: CurrentX = 0,
// CurrentY += TextHeight(s). Print("") only moves down one row.
// Cls() fills with BackColor, draws the Picture at the top-left corner and
// moves the drawing position to (0, 0).
#include "platform/forms/picture.h"

#include <memory>
#include <string>

class QImage;
class QWidget;
class QFont;
class QPainter;
class QRect;

class Surface {
public:
    Surface();
    virtual ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // --- clearing and text
    void Cls();
    void Print(const std::string& text);
    // Prints without moving to the next row (the old "Print s;"): CurrentX
    // advances by the text's width, CurrentY stays.
    void PrintInline(const std::string& text);
    double CurrentX() const { return curX_; }
    double CurrentY() const { return curY_; }
    void setCurrentX(double twips) { curX_ = twips; }
    void setCurrentY(double twips) { curY_ = twips; }
    // Width of the widest line / height of all lines of s, in twips, in the
    // current font. TextHeight("") is one row.
    double TextWidth(const std::string& s) const;
    double TextHeight(const std::string& s = "A") const;

    // --- look
    long BackColor() const { return backColor_; }
    // Like the old surfaces, a new background colour clears what was drawn.
    void setBackColor(long colour);
    long ForeColor() const { return foreColor_; }
    void setForeColor(long colour) { foreColor_ = colour; }
    // Missing fonts fall back to fontconfig's substitute ("Comic Sans MS" to
    // "Comic Neue" when present).
    std::string FontName() const;
    void setFontName(const std::string& name);
    double FontSize() const;
    void setFontSize(double points);
    bool FontBold() const;
    void setFontBold(bool b);
    bool FontItalic() const;
    void setFontItalic(bool b);
    bool FontUnderline() const;
    void setFontUnderline(bool b);
    int DrawWidth() const { return drawWidth_; }
    void setDrawWidth(int px) { drawWidth_ = px < 1 ? 1 : px; }
    bool AutoRedraw() const { return autoRedraw_; }
    // Kept for the windows that set it; the backing image is always used.
    void setAutoRedraw(bool b) { autoRedraw_ = b; }

    // The background picture: drawn at (0, 0) by Cls. Setting it repaints the
    // background (what was drawn is replaced); an empty Picture removes it.
    const StdPicture& Picture() const { return picture_; }
    void setPicture(const StdPicture& p);
    // The picture of what is drawn now (the old Image property; renamed so it
    // does not hide the Image control type in window classes), e.g. to keep
    // it as the background: s.setPicture(s.ImageCopy()).
    StdPicture ImageCopy() const;

    // --- graphics (twips)
    // Draws the picture with its top-left at (x, y), scaled to w x h twips
    // (negative w/h: the picture's own size).
    void PaintPicture(const StdPicture& pic, double x, double y, double w = -1, double h = -1);
    // The old "Line (x1,y1)-(x2,y2), c" statement (named DrawLine so that it
    // does not hide the Line control type in window classes): a line in the
    // given colour (-1: ForeColor); the drawing position moves to (x2, y2).
    void DrawLine(double x1, double y1, double x2, double y2, long colour = -1);
    // The box form "Line (x1,y1)-(x2,y2), c, B[F]": outlined or filled.
    void DrawBox(double x1, double y1, double x2, double y2, long colour = -1, bool filled = false);

    // --- for the layer and tests
    // Characters measured or drawn by every surface so far: what text work a
    // piece of drawing costs, without a clock.
    static unsigned long long textWork();
    // The backing image (at least the client size). Tests read pixels here.
    const QImage& image() const;
    QFont font() const;
    // Grows the backing image to cover the given pixel size, keeping what is
    // drawn; new area takes the background colour. Never shrinks, so content
    // survives a shrink-and-grow of the window.
    void ensureSurfaceSize(int widthPx, int heightPx);
    // Draws the backing image into a paint event of the surface widget.
    void paintSurface(QPainter& p) const;

protected:
    // The widget that shows the surface (repainted after each drawing call).
    virtual QWidget* surfaceWidget() const = 0;
    // The visible size of the surface in pixels (the client area).
    virtual void surfacePixelSize(int& width, int& height) const;
    void surfaceChanged();
    // Only this rectangle (pixels) changed: only it is painted again.
    void surfaceChanged(const QRect& changed);

private:
    struct Impl;
    std::unique_ptr<Impl> s_;
    double curX_ = 0, curY_ = 0;
    long backColor_ = 0x8000000F;
    long foreColor_ = 0x80000012;
    int drawWidth_ = 1;
    bool autoRedraw_ = false;
    StdPicture picture_;
    void fillBackground();
    void ensureImage() const;
};
