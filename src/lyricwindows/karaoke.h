#pragma once
// The main lyric window: a drawing surface on which the lyric block is printed,
// with a one-row control panel along its top edge that can be hidden (F12 or
// the lone toggle `Command_Cacher`).
//
// The window has no public procedure of its own: the rest of the program
// drives it through its controls (it reads the option controls, ticks
// `Check_Aff_K1`, presses the hidden `Command_Print2Ligne`, moves `Shape_Ball`
// and `Label_Sec`) and prints on its surface. The options are kept in section
// [Kar Windows] of the settings file; the window's handlers write them back.
//
// Geometry is in twips; the design client area is 12915 x 2130.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

#include <functional>
#include <string>

class Karaoke : public Form {
public:
    Karaoke();
    ~Karaoke() override;

    // ---- control panel (one row along the top edge)
    CheckBox Command_Cacher{this};      // 1: the panel is shown (key ShowMenu)
    CommandButton Command_Play{this};
    CommandButton Command_Stop{this};
    CommandButton Command_Back{this};   // "-20"
    CommandButton Command_Forward{this}; // "+20"
    CommandButton Command_Prev{this};
    CommandButton Command_Next{this};
    CheckBox Mute_S{this};              // sound muted (mirrors Player::Check_Muet)
    CheckBox Mute_SK{this};             // lyrics muted (mirrors Player::Check_Muet2)
    CheckBox OnTop{this};               // both lyric windows above all others
    CommandButton Command_Config{this}; // the lyric display settings dialog
    Frame NbLigne{this};                // lines per page (key NbLigne)
    OptionButton Li2{&NbLigne};
    OptionButton Li4{&NbLigne};
    OptionButton Li6{&NbLigne};
    OptionButton Li8{&NbLigne};
    CheckBox Scroll{this};              // scrolling layout (key Scroll)
    Frame Frame_LIM{this};              // sung lines kept above (key NbLigneNeg)
    OptionButton LiM0{&Frame_LIM};
    OptionButton LiM1{&Frame_LIM};
    OptionButton LiM2{&Frame_LIM};
    Image Image_Syncro1{this};          // ends of the count-down bar
    ProgressBar ProgressBar_Syncro{this}; // count-down bar
    Image Image_Syncro2{this};
    HScrollBar HScroll_Kar{this};       // left margin, hundreds of twips (0..100)
    VScrollBar VScroll_Kar{this};       // top margin, hundreds of twips (0..80)
    CheckBox Check_HSize{this};         // automatic vertical centring (key AutoH)
    ProgressBar ProgressBar1{this};     // song progress, along the bottom edge

    // ---- drawn over the lyrics
    Label Label_Sec{this};              // count-down seconds
    Shape Shape_Ball{this};             // the ball over the current syllable

    // ---- hidden option and state boxes
    CheckBox Check_Ball{this};          // ball on (key Ball)
    CheckBox Check_Decompte{this};      // count-down digits on (key CountDown)
    CheckBox Check_ShowCountDownBar{this}; // count-down bar on (key CountDownBar)
    CheckBox Check_Aff_K1{this};        // the second lyric window is shown and docked
    CheckBox Check_Aff_CfgKar{this};    // the lyric display settings dialog is open
    CommandButton Command_Print2Ligne{this}; // pressing it redraws the lyric block

    Timer Timer_DblClick{this};         // 500 ms one-shot after a double-click

    // Scroll bar values last seen by the margin handlers.
    int LastHScroll = 0;
    int LastVScroll = 0;

    // ---- the window's handlers
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Deactivate() override;
    void Form_Resize() override;
    void Form_Paint() override;
    void Form_DblClick() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;
    void Form_MouseMove(int Button, int Shift, float X, float Y) override;
    void Form_MouseDown(int Button, int Shift, float X, float Y) override;
    void Form_Unload(int& Cancel) override;
    void placeChanged() override;

    void Li2_Click();
    void Li4_Click();
    void Li6_Click();
    void Li8_Click();
    void LiM0_Click();
    void LiM1_Click();
    void LiM2_Click();
    void Scroll_Click();
    void Check_HSize_Click();
    void Command_Cacher_Click();
    void Command_Play_Click();
    void Command_Stop_Click();
    void Command_Back_Click();
    void Command_Forward_Click();
    void Command_Prev_Click();
    void Command_Next_Click();
    void Mute_S_Click();
    void Mute_SK_Click();
    void OnTop_Click();
    void Command_Config_Click();
    void Command_Print2Ligne_Click();
    void Timer_DblClick_Timer();
    void HScroll_Kar_Change();
    void VScroll_Kar_Change();
    void HScroll_Kar_Scroll();
    void VScroll_Kar_Scroll();
    void VScroll_Kar_GotFocus();
    void Check_Aff_K1_Click();

    // Clears the window and prints the whole lyric block from the page state.
    void PrintKarLines();

private:
    void BindEvents();
    void LinesPerPageChosen(int n);
    void KeptLinesChosen(int k);
    void ShowPanel(bool show);
    void DockK1();
    bool dragArmed_ = false;
    bool handingOver_ = false;
};

// The main lyric window's default instance, created and loaded on first use.
Karaoke& karaoke();

// The count-down bar with its end pictures, the count-down seconds and the
// ball, designed alike on both lyric windows: the engine moves and shows them
// on either window from the same places.
void PlaceSyncOverlay(Image& syncro1, ProgressBar& bar, Image& syncro2, Label& sec, Shape& ball);

namespace modIni {

// True while the main lyric window is the active window.
inline bool KarActive = false;
// True while the "second window shown" box's handler places and shows it; the
// second window's delayed re-layout waits meanwhile.
inline bool K1ShowBusy = false;
// True while the lyric display settings dialog previews its values on a
// playing song: the per-song look then changes nothing.
inline bool KarTestMode = false;

// The shadow copy of one row of lyric text on the main lyric window: printed at
// the left margin shifted by ShadowH / ShadowV in the shadow colour; then the
// drawing position goes back to the margin on the row's top and the fore colour
// becomes the page-line colour (mode "Actif") or the passive colour (any other
// mode). The caller prints the row itself next.
void PrintKarShadow(const std::string& text, const std::string& mode);
// The same on the second lyric window (margin of the main window).
void PrintKarShadowK1(const std::string& text, const std::string& mode);

// The main lyric window's font and margins from the settings, then the look of
// the selected play-list row when it has its own look on, else the settings
// look. Does nothing while KarTestMode is set.
void ApplySongKarSettings();
// Applies a sync file's display line "//picture;page;sung;passive;back;shadow".
// Well-formed fields are applied; a missing field or a colour that is not a
// number is skipped. The picture is only a bare file name in the song's folder.
void ApplyKarDisplaySettings(const std::string& line);
// Gives the second lyric window the main window's font, background colour,
// picture and ball appearance.
void CopyKarLookToK1();

// The hot keys of both lyric windows: F12 panel, F9 second window, F8..F5
// screen presets. Any other key does nothing.
void KarWindowHotKey(int KeyCode);

// The editor window and the lyric display settings dialog register here how
// the lyric window reaches them; until they do, those commands do nothing.
// Presses the editor's button of that name ("Command_Play", "Command_Stop",
// "Command_Back", "Command_Forward").
inline std::function<void(const std::string& button)> PressRecordButton;
// Shows the editor window.
inline std::function<void()> ShowRecordWindow;
// Shows the lyric display settings dialog (modeless) at top, left (twips).
inline std::function<void(int top, int left)> ShowCfgKaraoke;
// Unloads the lyric display settings dialog.
inline std::function<void()> UnloadCfgKaraoke;

// A drag of the main lyric window (by either lyric window's surface) goes
// through here: while the second window is docked under it, the place asked
// for is held back so that the pair stays whole on the screen under the
// pointer. A pair larger than the screen keeps its left and top edges on it.
void KeepDockedPairOnScreen(int& left, int& top, const Form::ScreenArea& screen);

// Whether windows can be placed by the program (not under a bare Wayland
// session). Docking and the screen presets need it.
bool WindowPlacementAvailable();

} // namespace modIni
