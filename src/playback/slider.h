#pragma once
// The main window's sound sliders: a track with ten tick marks drawn into an
// ordinary picture box, and a push-button knob that the mouse drags. The value
// runs from 0 to 127 (centre 64). The slider raises no events: the host's
// mouse-move handler passes the mouse to DragButton and then reads Value.
//
// All coordinates are pixels of the host (SW and SH are its inner size). The
// host's size is read once, by SlideCreate.
#include <cstdint>

class PictureBox;

struct SliderRect {
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// What both sliders hold alike: the host, the knob and its value, the frame.
class SliderBase {
public:
    std::int16_t Value() const { return value_; }
    bool ShowFrame() const { return frame_; }
    // Forgets the host (its window is going away). Operations do nothing until
    // the next SlideCreate.
    void Release();
    // The knob, for the tests and the host's hit test.
    const SliderRect& ButtonRect() const { return rect_; }
    PictureBox* SlidePicture() const { return host_; }

protected:
    // Stores the frame setting; the host goes back to its background (the
    // track), and with `on` the etched frame is drawn into that background.
    void drawFrame(bool on);
    void DrawButton();
    // The background again, and the knob over it.
    void redrawKnob();

    SliderRect rect_;
    bool frame_ = false;
    PictureBox* host_ = nullptr;
    std::int16_t value_ = 0;
};

class SliderHorz : public SliderBase {
public:
    // Binds the slider to its host and draws the track; the value becomes 0.
    void SlideCreate(PictureBox& host);

    // Stores the value limited to 0..127, places the knob and redraws it.
    void setValue(int v);

    // Mouse state from the host's MouseMove: Button 1 = left. X and Y are host
    // pixels; the slider changes the coordinate it uses (passed by reference).
    void DragButton(int Button, float& X, float& Y);

    // Redraws with or without an etched frame; the value becomes 0.
    void setShowFrame(bool on);

    // Geometry, for the tests and the host's hit test.
    int Unit() const { return unit_; }
    int ButtonWidth() const { return w_; }
    int TrackY() const { return y0_; }
    int TickY() const { return y1_; }
    int TrackStart() const { return x0_; }
    int TrackEnd() const { return x1_; }
    int TrackLength() const { return l_; }

private:
    std::int16_t unit_ = 0, w_ = 0, y0_ = 0, y1_ = 0, x0_ = 0, x1_ = 0, l_ = 0;
};

class SliderVert : public SliderBase {
public:
    void SlideCreate(PictureBox& host);
    void setValue(int v);
    void DragButton(int Button, float& X, float& Y);
    void setShowFrame(bool on);

    int ButtonHeight() const { return h_; }
    int Unit() const { return u_; }
    int TrackTop() const { return y0_; }     // the knob's centre for 127
    int TrackBottom() const { return y1_; }  // the knob's centre for 0
    int TrackX() const { return xc_; }
    int TickX() const { return xt_; }
    int TrackLength() const { return l_; }

private:
    std::int16_t h_ = 0, u_ = 0, y0_ = 0, y1_ = 0, xc_ = 0, xt_ = 0, l_ = 0;
};

// The four sliders of the main window, living for the whole run.
namespace Kar {
inline SliderVert SliderVolume;    // host VolumeCtl
inline SliderHorz SliderVelocity;  // host VelocityCtl (speed)
inline SliderHorz SliderTranspose; // host TransposeCtl
inline SliderHorz SliderBalance;   // host BalanceCtl
} // namespace Kar
