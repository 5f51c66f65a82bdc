// The slider controls: geometry, value <-> knob position, drags.
#include "playback/slider.h"

#include "platform/forms/app.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

constexpr float kTw = 15.0f; // twips per pixel: mouse positions come in twips

class Host : public Form {
public:
    PictureBox box{this};
    Host(int widthPx, int heightPx)
    {
        setScaleWidth(4000);
        setScaleHeight(4000);
        box.setBorderStyle(0);
        box.Move(0, 0, widthPx * 15, heightPx * 15);
    }
};

// Drags with the left button at pixel (x, y); returns the value.
template <class S>
int drag(S& s, float xPx, float yPx, int button = vbLeftButton)
{
    float x = xPx * kTw, y = yPx * kTw;
    s.DragButton(button, x, y);
    return s.Value();
}

} // namespace

TEST(SliderHorz, GeometryOfA100By25Host)
{
    Host h(100, 25);
    SliderHorz s;
    s.SlideCreate(h.box);
    EXPECT_EQ(s.Unit(), 2);
    EXPECT_EQ(s.ButtonWidth(), 10);
    EXPECT_EQ(s.TrackY(), 11);
    EXPECT_EQ(s.TickY(), 19);
    EXPECT_EQ(s.TrackStart(), 10);
    EXPECT_EQ(s.TrackEnd(), 90);
    EXPECT_EQ(s.TrackLength(), 80);
    EXPECT_EQ(s.ButtonRect().Top, 6);
    EXPECT_EQ(s.ButtonRect().Bottom, 16);
    EXPECT_EQ(s.Value(), 0);
    EXPECT_FALSE(s.ShowFrame());
}

TEST(SliderHorz, ValueIsLimitedAndPlacesTheKnob)
{
    Host h(100, 25);
    SliderHorz s;
    s.SlideCreate(h.box);
    s.setValue(200);
    EXPECT_EQ(s.Value(), 127);
    s.setValue(-5);
    EXPECT_EQ(s.Value(), 0);
    s.setValue(64);
    EXPECT_EQ(s.Value(), 64);
    // The knob, W wide, is centred on the value's point of the track.
    const auto& r = s.ButtonRect();
    EXPECT_EQ(r.Right - r.Left, 10);
    EXPECT_NEAR((r.Left + r.Right) / 2.0, 10 + 80 * 64 / 127.0, 1.0);
    s.setValue(127);
    EXPECT_NEAR((s.ButtonRect().Left + s.ButtonRect().Right) / 2.0, 90, 1.0);
}

TEST(SliderHorz, DraggingFollowsTheMouseAndStaysOnTheTrack)
{
    Host h(100, 25);
    SliderHorz s;
    s.SlideCreate(h.box);
    s.setValue(64);
    // The knob's centre follows x (the left edge is x - 3, the centre 5 further).
    EXPECT_NEAR(drag(s, 48, 11), 64, 2);
    EXPECT_EQ(drag(s, 500, 11), 127);
    EXPECT_EQ(drag(s, -300, 11), 0);
    EXPECT_NEAR(drag(s, 28, 11), (30 - 10) * 127 / 80, 2);
}

TEST(SliderHorz, LeavingTheBandPausesTheDrag)
{
    Host h(100, 25);
    SliderHorz s;
    s.SlideCreate(h.box);
    s.setValue(64);
    const auto before = s.ButtonRect();
    EXPECT_EQ(drag(s, 90, 20), 64);   // below the knob's band
    EXPECT_EQ(s.ButtonRect().Left, before.Left);
    EXPECT_EQ(drag(s, 90, 11), 127);  // back in the band: dragging resumes
    EXPECT_EQ(drag(s, 20, 11, 0), 127); // no button: only redrawn
}

TEST(SliderHorz, HostWithoutWidthHasNoTrackButNoFault)
{
    Host h(0, 25);
    SliderHorz s;
    s.SlideCreate(h.box);
    EXPECT_EQ(s.TrackLength(), 0);
    s.setValue(100);
    EXPECT_EQ(s.Value(), 100);
    EXPECT_EQ(drag(s, 0, 11), 100);
    EXPECT_EQ(drag(s, 50, 11), 100);
}

TEST(SliderHorz, DrawsTheTrackIntoTheHost)
{
    Host h(100, 25);
    h.box.setBackColor(0xF0E8E1);
    SliderHorz s;
    s.SlideCreate(h.box);
    s.setValue(0);
    // The black track line at Y0, far from the knob.
    EXPECT_EQ(h.box.image().pixel(70, 11) & 0xFFFFFF, 0x000000u);
    // Clearing keeps the track: it became the background.
    h.box.Cls();
    EXPECT_EQ(h.box.image().pixel(70, 11) & 0xFFFFFF, 0x000000u);
}

TEST(SliderVert, TopIs127BottomIs0)
{
    Host h(31, 66);
    SliderVert s;
    s.SlideCreate(h.box);
    EXPECT_EQ(s.ButtonHeight(), 7);  // 6.6
    EXPECT_EQ(s.Unit(), 3);          // 3.1
    EXPECT_EQ(s.TrackTop(), 7);
    EXPECT_EQ(s.TrackBottom(), 59);
    EXPECT_EQ(s.TrackLength(), 52);
    const int x = (s.ButtonRect().Left + s.ButtonRect().Right) / 2;
    EXPECT_EQ(drag(s, x, -200), 127);
    EXPECT_EQ(drag(s, x, 500), 0);
    s.setValue(64);
    EXPECT_NEAR((s.ButtonRect().Top + s.ButtonRect().Bottom) / 2.0, 59 - 52 * 64 / 127.0, 1.0);
    // Outside the knob's column the drag pauses.
    EXPECT_EQ(drag(s, 0, 10), 64);
    s.setValue(300);
    EXPECT_EQ(s.Value(), 127);
}

TEST(SliderVert, HostWithoutHeightHasNoTrackButNoFault)
{
    Host h(31, 0);
    SliderVert s;
    s.SlideCreate(h.box);
    EXPECT_EQ(s.TrackLength(), 0);
    s.setValue(64);
    const int x = (s.ButtonRect().Left + s.ButtonRect().Right) / 2;
    EXPECT_EQ(drag(s, x, 0), 64);
}

TEST(Slider, ReleasedSliderIgnoresTheMouse)
{
    SliderHorz s;
    {
        Host h(100, 25);
        s.SlideCreate(h.box);
        s.setValue(10);
        s.Release();
    }
    EXPECT_EQ(drag(s, 50, 11), 10);
    s.setValue(20);
    EXPECT_EQ(s.Value(), 20);
}
