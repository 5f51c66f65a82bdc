// The slider controls: geometry and drawing in pixels of the host picture box
// (the layer's surfaces take twips, so every drawing call scales by 15).
#include "playback/slider.h"

#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/controls.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTw = 15.0; // twips per pixel

long colourBlack() { return vbBlack; }
long colourWhite() { return vbWhite; }

int hostWidthPx(const PictureBox& host) { return twipsToPixels(host.ScaleWidth()); }
int hostHeightPx(const PictureBox& host) { return twipsToPixels(host.ScaleHeight()); }

void pxLine(PictureBox& host, double x1, double y1, double x2, double y2, long c)
{
    host.DrawLine(x1 * kTw, y1 * kTw, x2 * kTw, y2 * kTw, c);
}

// A raised push-button face filling the rectangle.
void drawPushButton(PictureBox& host, const SliderRect& r)
{
    if (r.Right <= r.Left || r.Bottom <= r.Top)
        return;
    const double l = r.Left, t = r.Top, rt = r.Right - 1, b = r.Bottom - 1;
    host.DrawBox(l * kTw, t * kTw, rt * kTw, b * kTw, resolveColor(vbButtonFace), true);
    pxLine(host, l, t, rt, t, resolveColor(vb3DHighlight));
    pxLine(host, l, t, l, b, resolveColor(vb3DHighlight));
    pxLine(host, l, b, rt, b, resolveColor(vb3DDKShadow));
    pxLine(host, rt, t, rt, b, resolveColor(vb3DDKShadow));
    if (rt - l > 2 && b - t > 2) {
        pxLine(host, l + 1, b - 1, rt - 1, b - 1, resolveColor(vbButtonShadow));
        pxLine(host, rt - 1, t + 1, rt - 1, b - 1, resolveColor(vbButtonShadow));
    }
}

// The etched frame around the host's edge.
void drawEtchedFrame(PictureBox& host, int sw, int sh)
{
    host.DrawBox(0, 0, (sw - 2) * kTw, (sh - 2) * kTw, resolveColor(vbButtonShadow), false);
    host.DrawBox(1 * kTw, 1 * kTw, (sw - 1) * kTw, (sh - 1) * kTw, resolveColor(vb3DHighlight), false);
}

// Starts the host afresh: no background picture, cleared to its colour.
void clearHost(PictureBox& host)
{
    host.setAutoRedraw(true);
    host.setPicture(StdPicture());
    host.Cls();
}

// What is drawn now becomes the background that Cls restores.
void keepAsBackground(PictureBox& host)
{
    host.setPicture(host.ImageCopy());
}

std::int16_t clampValue(int v)
{
    return static_cast<std::int16_t>(std::clamp(v, 0, 127));
}

// The knob's leading edge for a mouse at `edge` (less the grab offset): the
// knob's centre, `half` further on, stays on the track from `start` to `end`.
double keepOnTrack(double edge, double half, int start, int end)
{
    if (edge + half > end)
        edge = end - half;
    if (edge + half < start)
        edge = start - half;
    return edge;
}

} // namespace

// ============================================================== SliderBase

void SliderBase::Release()
{
    host_ = nullptr;
}

void SliderBase::drawFrame(bool on)
{
    frame_ = on;
    if (host_) {
        host_->Cls();
        if (on) {
            drawEtchedFrame(*host_, hostWidthPx(*host_), hostHeightPx(*host_));
            keepAsBackground(*host_);
        }
    }
}

void SliderBase::redrawKnob()
{
    if (!host_)
        return;
    host_->Cls();
    DrawButton();
}

void SliderBase::DrawButton()
{
    if (host_)
        drawPushButton(*host_, rect_);
}

// ============================================================== SliderHorz

void SliderHorz::SlideCreate(PictureBox& host)
{
    host_ = &host;
    const int sw = hostWidthPx(host);
    const int sh = hostHeightPx(host);
    unit_ = static_cast<std::int16_t>(vb::CInt(sh / 10.0));
    w_ = static_cast<std::int16_t>(vb::CInt(sw / 10.0));
    y0_ = static_cast<std::int16_t>(vb::CInt((sh - 1.5 * unit_) / 2.0));
    y1_ = static_cast<std::int16_t>(vb::CInt(sh - 3.0 * unit_));
    x0_ = w_;
    x1_ = static_cast<std::int16_t>(vb::CInt(static_cast<double>(sw) - w_));
    l_ = static_cast<std::int16_t>(x1_ - x0_);

    clearHost(host);
    pxLine(host, x0_, y0_ + 1, x0_ + l_, y0_ + 1, colourWhite());
    pxLine(host, x0_, y0_, x0_ + l_, y0_, colourBlack());
    double x = x0_;
    for (int i = 0; i < 10; ++i) {
        pxLine(host, x, y1_, x, y1_ + 2, colourBlack());
        pxLine(host, x + 1, y1_, x + 1, y1_ + 2, resolveColor(vb3DHighlight));
        x += l_ / 9.0;
    }
    keepAsBackground(host);

    rect_.Left = x0_;
    rect_.Right = x0_ + 2 * w_;
    rect_.Top = vb::CLng(y0_ - 2.5 * unit_);
    rect_.Bottom = vb::CLng(2.5 * unit_ + y0_);
    setShowFrame(false);
}

void SliderHorz::setValue(int v)
{
    value_ = clampValue(v);
    const int w = rect_.Right - rect_.Left;
    const double left = x0_ - vb::Int(w / 2.0) + static_cast<double>(l_) * value_ / 127.0;
    rect_.Left = vb::CLng(left);
    rect_.Right = vb::CLng(left + w_);
    redrawKnob();
}

void SliderHorz::DragButton(int Button, float& X, float& Y)
{
    if (!host_)
        return;
    // The layer reports the mouse in twips; the slider works in host pixels.
    double x = X / kTw;
    const double y = Y / kTw;
    if (Button == vbLeftButton && y >= rect_.Top && y <= rect_.Bottom) {
        x -= 3; // x now stands for the knob's left edge
        x = keepOnTrack(x, vb::Int((rect_.Right - rect_.Left) / 2.0), x0_, x1_);
        rect_.Left = vb::CLng(x);
        rect_.Right = vb::CLng(w_ + x);
        // A track without length (a host too small to hold one) has no value
        // to read from the knob's place: the value stays.
        if (l_ > 0) {
            const double v = (vb::Int((rect_.Right - rect_.Left) / 2.0) + x - x0_) * 127.0 / l_;
            value_ = clampValue(vb::CInt(v));
        }
        X = static_cast<float>(x * kTw);
        redrawKnob();
    } else if (Button == vbLeftButton) {
        // Outside the knob's band: the drag pauses, value and drawing stay.
    } else {
        redrawKnob();
    }
}

void SliderHorz::setShowFrame(bool on)
{
    drawFrame(on);
    DrawButton();
    setValue(0);
}

// ============================================================== SliderVert

void SliderVert::SlideCreate(PictureBox& host)
{
    host_ = &host;
    const int sw = hostWidthPx(host);
    const int sh = hostHeightPx(host);
    h_ = static_cast<std::int16_t>(vb::CInt(sh / 10.0));
    u_ = static_cast<std::int16_t>(vb::CInt(sw / 10.0));
    y0_ = h_;
    y1_ = static_cast<std::int16_t>(vb::CInt(static_cast<double>(sh) - h_));
    xc_ = static_cast<std::int16_t>(vb::CInt(sw / 2.0 - 1));
    xt_ = static_cast<std::int16_t>(vb::CInt(sw - 3.0 * u_));
    l_ = static_cast<std::int16_t>(y1_ - y0_);

    clearHost(host);
    pxLine(host, xc_, y0_ - 1, xc_, y0_ + l_ + 1, colourBlack());
    pxLine(host, xc_ + 1, y0_ - 1, xc_ + 1, y0_ + l_ + 1, colourWhite());
    double y = y0_;
    const long hi = resolveColor(vb3DHighlight);
    for (int i = 0; i < 10; ++i) {
        pxLine(host, 3 * u_ - 2, y, 3 * u_, y, colourBlack());
        pxLine(host, 3 * u_ - 2, y + 1, 3 * u_, y + 1, hi);
        pxLine(host, xt_, y, xt_ + 2, y, colourBlack());
        pxLine(host, xt_, y + 1, xt_ + 2, y + 1, hi);
        y += l_ / 9.0;
    }
    keepAsBackground(host);

    rect_.Left = xc_ - 2 * u_ + 1;
    rect_.Right = rect_.Left + 4 * u_ + 1;
    rect_.Top = y0_;
    rect_.Bottom = y0_ + h_;
    setShowFrame(false);
}

void SliderVert::setValue(int v)
{
    value_ = clampValue(v);
    const int h = rect_.Bottom - rect_.Top;
    const double top = y0_ - vb::Int(h / 2.0) + l_ - static_cast<double>(l_) * value_ / 127.0;
    rect_.Top = vb::CLng(top);
    rect_.Bottom = vb::CLng(top + h_);
    redrawKnob();
}

void SliderVert::DragButton(int Button, float& X, float& Y)
{
    if (!host_)
        return;
    const double x = X / kTw;
    double y = Y / kTw;
    if (Button == vbLeftButton && x >= rect_.Left && x <= rect_.Right) {
        y -= 5; // y now stands for the knob's top edge
        y = keepOnTrack(y, vb::Int((rect_.Bottom - rect_.Top) / 2.0), y0_, y1_);
        rect_.Top = vb::CLng(y);
        rect_.Bottom = vb::CLng(h_ + y);
        if (l_ > 0) {
            const double v = 127.0 - (vb::Int((rect_.Bottom - rect_.Top) / 2.0) + y - y0_) * 127.0 / l_;
            value_ = clampValue(vb::CInt(v));
        }
        Y = static_cast<float>(y * kTw);
        redrawKnob();
    } else if (Button == vbLeftButton) {
        // Outside the knob's band: the drag pauses, value and drawing stay.
    } else {
        redrawKnob();
    }
}

void SliderVert::setShowFrame(bool on)
{
    drawFrame(on);
    // The vertical slider stores the value first and draws the knob after.
    setValue(0);
}
