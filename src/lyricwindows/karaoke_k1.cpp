// The second lyric window: its design and its handlers. Its look is copied from
// the main lyric window; its place is given by whoever shows it and kept by the
// docking under the main window.
#include "lyricwindows/karaoke_k1.h"

#include "core/modini.h"
#include "core/player.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"

using namespace modIni;

Karaoke_K1& karaoke_K1()
{
    return formInstance<Karaoke_K1>();
}

Karaoke_K1::Karaoke_K1()
{
    setCaption("Zun Mp3 Karaoke");
    setScaleWidth(12915);
    setScaleHeight(2130);
    setFontName("Arial Black");
    setFontBold(true);
    setFontSize(12);

    Timer_Resize.setEnabled(false);
    Timer_Resize.setInterval(0);
    Command_Print2Ligne.setVisible(false);
    PlaceSyncOverlay(Image_Syncro1, ProgressBar_Syncro, Image_Syncro2, Label_Sec, Shape_Ball);

    Command_Print2Ligne.onClick([this] { Command_Print2Ligne_Click(); });
    Timer_Resize.onTimer([this] { Timer_Resize_Timer(); });
}

Karaoke_K1::~Karaoke_K1() = default;

void Karaoke_K1::Form_Load()
{
    Karaoke& k = karaoke();
    setFontName(k.FontName());
    setFontSize(k.FontSize());
    setFontBold(k.FontBold());
    setBackColor(k.BackColor());
    setPicture(k.Picture());
    Shape_Ball.setFillColor(k.Shape_Ball.FillColor());
    Shape_Ball.setHeight(k.Shape_Ball.Height());
    Shape_Ball.setWidth(k.Shape_Ball.Width());
    Label_Sec.setFontSize(k.Label_Sec.FontSize());
    Label_Sec.setForeColor(k.Label_Sec.ForeColor());
    Label_Sec.setHeight(k.Label_Sec.Height());
    Label_Sec.setWidth(k.Label_Sec.Width());
    if (k.Check_ShowCountDownBar.Value() == 1) {
        Image_Syncro1.setVisible(true);
        Image_Syncro2.setVisible(true);
    }
}

void Karaoke_K1::Command_Print2Ligne_Click() { PrintKarLinesK1(); }

void Karaoke_K1::Form_Activate()
{
    // Coming from the main window, the main lyric window comes forward first;
    // its own activation does not hand the focus back here (it only does so
    // coming from the main window or the editor, and the name is now ours).
    const bool fromPlayer = ActiveWindowName == "Player";
    ActiveWindowName = "Karaoke_K1";
    if (fromPlayer && isLoaded<Karaoke>()) {
        karaoke().SetFocus();
        ActiveWindowName = "Karaoke_K1";
    }
}

void Karaoke_K1::Form_DblClick()
{
    // Brings the main window forward half a second later; always-on-top stays.
    karaoke().Timer_DblClick.setEnabled(true);
}

void Karaoke_K1::Form_KeyDown(int& KeyCode, int) { KarWindowHotKey(KeyCode); }

void Karaoke_K1::Form_MouseDown(int Button, int, float, float)
{
    dragArmed_ = Button == vbLeftButton;
}

void Karaoke_K1::Form_MouseMove(int Button, int, float, float)
{
    // Dragging this window with the left button alone moves the main lyric
    // window; the docking keeps this one under it.
    if (Button != vbLeftButton || !dragArmed_ || !isLoaded<Karaoke>())
        return;
    dragArmed_ = false;
    if (isLoaded<Player>() && karaoke().Check_Aff_K1.Value() == 1)
        player().Timer_SetKar2.setEnabled(true);
    StartDrag(&karaoke(), KeepDockedPairOnScreen);
}

// Moved, resized, minimised or restored: the docking looks again whether
// this window still hangs under the main one.
void Karaoke_K1::placeChanged()
{
    if (isLoaded<Player>())
        player().Timer_SetKar2.wake();
}

void Karaoke_K1::Form_Paint()
{
    if (Kar::BeginKarRepaint())
        PrintKarLinesK1();
}

void Karaoke_K1::Form_Resize()
{
    Timer_Resize.setEnabled(false);
    DoEvents();
    if (unloading_ || unloading())
        return;
    Timer_Resize.setEnabled(true);
    Timer_Resize.setInterval(500);
    PrintKarLinesK1();
}

void Karaoke_K1::Timer_Resize_Timer()
{
    Timer_Resize.setEnabled(false);
    if (WindowState() == vbMinimized || K1ShowBusy || !isLoaded<Karaoke>())
        return;
    Player* p = isLoaded<Player>() ? &player() : nullptr;
    if (p)
        p->Timer_SetKar2.setEnabled(false);
    Karaoke& k = karaoke();
    // The mean of the two heights, in full range (two tall windows on a large
    // screen overflow 16 bits, which used to stop here with docking left off).
    const long h = vb::CLng((static_cast<double>(Height()) + static_cast<double>(k.Height())) / 2.0);
    k.setHeight(static_cast<int>(h));
    k.setWidth(Width());
    DoEvents();
    if (unloading_ || unloading() || !isLoaded<Karaoke>())
        return;
    if (Width() != k.Width())
        setWidth(k.Width());
    setHeight(static_cast<int>(h));
    Move(k.Left(), k.Top() + k.HeightShown());
    if (p && isLoaded<Player>())
        p->Timer_SetKar2.setEnabled(true);
}

void Karaoke_K1::Form_Unload(int&)
{
    unloading_ = true;
    Timer_Resize.setEnabled(false);
    if (isLoaded<Player>())
        player().Timer_SetKar2.setEnabled(false);
    if (isLoaded<Karaoke>())
        karaoke().Check_Aff_K1.setValue(0);
}
