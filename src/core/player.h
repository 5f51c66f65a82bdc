#pragma once
// The main window: the play list, the transport buttons, the sound sliders, the
// time counters and the start-up, colours, captions, layout and close-down of
// the program. Handlers live in the .cpp files of the subsystem that owns them
// (src/core for start-up, captions, layout and close-down; src/playback for the
// transport and sound; src/playlist for the list; src/karaoke for the clock;
// src/lyricwindows for the lyric window buttons; src/settings for the About
// and settings buttons).
//
// Geometry is in twips; the design client area is 8400 x 5355.
#include "platform/forms/controls.h"
#include "platform/forms/filelists.h"
#include "platform/forms/form.h"
#include "platform/forms/listview.h"
#include "platform/media/mediaplayer.h"
#include "karaoke/pagestate.h"

#include <string>

class Player : public Form {
public:
    Player();
    ~Player() override;

    // ---- top row: banner, counters, settings / help / about buttons
    Label Label_ZunMp3_Shadow{this};   // declared first: it lies under the banner
    Label Label_ZunMp3{this};
    Label Label_Compteur{this};
    Label Label_Duree{this};
    Label Time_Left{this};
    Label Label_time{this};
    CommandButton Command_Config{this};
    CommandButton Command_Help{this};
    CommandButton Command_ZunInfo{this};

    // ---- list toolbar
    CommandButton Command_Edit{this};
    CommandButton Command_Detect{this};
    CommandButton Command_Add{this};
    CommandButton Command_Supp{this};
    CommandButton Command_Open{this};
    CommandButton Command_Save{this};
    CommandButton Command_SaveAs{this};
    CommandButton Command_ViewList{this};
    CommandButton Command_ViewDetail{this};
    CommandButton Command_Print{this};
    CommandButton Command_Up{this};
    CommandButton Command_Dwn{this};
    CommandButton Command_Random{this};
    CommandButton Command_Trie{this};
    CheckBox Command_Cacher{this};      // compact view (graphical check box)

    // ---- list panel: tab strip, folder browser, lists, frame lines
    Image Image_Tab{this};
    Image Image_Tab1Fr{this};           // hidden tab pictures
    Image Image_Tab1An{this};
    Image Image_Tab2Fr{this};
    Image Image_Tab2An{this};
    DriveListBox Drive1{this};
    DirListBox Dir1{this};
    ListView ListView1{this};
    ListView ListView2{this};           // hidden copy of the play list
    ImageList ImageList1{this};
    TextBox Text_Londing{this};         // "loading" notice over the list
    Line LineTab1{this};
    Line LineTab2{this};
    Line LineTab3{this};
    Line LineTab4{this};
    // Row icons, hidden; ImageList1 takes its pictures from them.
    PictureBox Picture_Stop{this};
    PictureBox Picture_Note1{this};
    PictureBox Picture_Note1R{this};
    PictureBox Picture_Note2{this};
    PictureBox Picture_Note2R{this};
    PictureBox Picture_NoteMp3{this};
    PictureBox Picture_NoteMp3R{this};

    // ---- current song, item count, selection modes
    Label Label_Mp3{this};
    TextBox Select_Song{this};          // full path of the current song
    Label Label_ItemCount{this};
    Label Label_Action{this};
    CommandButton Command_Ok{this};
    CommandButton Command_Cancel{this};
    CommandButton Command_Appliquer{this};
    CheckBox Check_Select{this};
    Label Label_SelectAll{this};

    // ---- transport
    CommandButton Command_Play{this};
    CommandButton Command_Stop{this};
    CommandButton Command_Back{this};
    CommandButton Command_Forward{this};
    CommandButton Command_AffSyk{this};
    CommandButton Command_Record{this};
    CommandButton Command_Parole{this};
    CheckBox Command_Auto{this};        // auto play next (graphical check box)
    CheckBox Check_Muet{this};          // mute sound
    CheckBox Check_Muet2{this};         // mute lyrics
    CommandButton Command_Prev{this};
    CommandButton Command_Next{this};
    CommandButton Command_Quitter{this};

    // ---- sound sliders (hosts of the slider objects) and their captions
    Label Label_Volume{this};
    Label Label_Vitesse{this};
    Label Label_Transpo{this};
    PictureBox VolumeCtl{this};
    PictureBox VelocityCtl{this};
    PictureBox TransposeCtl{this};
    PictureBox BalanceCtl{this};        // shown in the full view when the window leaves it room

    // ---- progress
    ProgressBar ProgressBar1{this};
    Label Label_PTime{this};

    // ---- hidden state boxes
    CheckBox Check_GridLines{this};     // grid lines of ListView1
    CheckBox Check_Aff_Record{this};    // 1 while the editor is open
    CheckBox Check_Aff_Karaoke{this};   // 1 while the lyric window is shown

    // ---- the media player control (audio songs)
    media::MediaPlayer ActiveMovie1{this};

    // ---- timers
    Timer Timer1{this};                 // 10 ms playback clock
    Timer Timer_LoadPlayer{this};       // 100 ms, one-shot deferred start-up
    Timer Timer_SetKar2{this};          // 100 ms, docks the second lyric window
    Timer Timer_End{this};              // 1000 ms, ends the program after a close
    Timer Timer_StopGIF{this};          // 10500 ms, never enabled

    // ---- the list's context menu (a pop-up, never in a menu bar)
    Menu popFeatures{this};
    Menu mnuView0{&popFeatures};
    Menu mnuView[2]{Menu{&mnuView0}, Menu{&mnuView0}};
    Menu zzmnuSep1{&popFeatures};
    Menu mnuGride[1]{Menu{&popFeatures}};
    Menu zzmnuSep2{&popFeatures};
    Menu mnuEdit[1]{Menu{&popFeatures}};
    Menu mnuDetect[1]{Menu{&popFeatures}};
    Menu mnuDeleteToPlayList[1]{Menu{&popFeatures}};
    Menu mnuAddtoPlayList[1]{Menu{&popFeatures}};

    // ---- window members shared with the other subsystems
    std::string PlayListTabName = "PlayList"; // "PlayList" or "DirList"
    // These four live with the lyric page state (karaoke/pagestate.h), which the
    // engine and the lyric windows share; the names here reach the same values.
    bool& HasSyk = Kar::HasSyk;                // the current song has a .syk file
    bool& HasSy1 = Kar::HasSy1;                // ... and a .sy1 file
    int& KarCountDown = Kar::KarCountDown;     // count-down seconds, main lyric window
    int& K1CountDown = Kar::K1CountDown;       // ... second lyric window

    // ---- start-up, captions, layout, close-down (src/core)
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Resize() override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;
    void Form_Unload(int& Cancel) override;
    void Form_Terminate() override;
    void Timer_LoadPlayer_Timer();
    void Timer_End_Timer();
    void Timer_StopGIF_Timer();
    void Label_ZunMp3_Click();
    void Command_Quitter_Click();
    // The close-down; false when the user chose to stay because the play list
    // could not be saved (nothing else was done then).
    bool QuitPlayer();
    // Places the controls for the window's size, the view (full or compact),
    // the list tab and the selection mode.
    void ArrangePlayerControls();
    // The three interface colours from the settings and the banner rule.
    void ApplyPlayerColors();
    // The English captions, tool tips and menu texts.
    void ApplyEnglishCaptions();

    // ---- About box and help (src/settings)
    void Command_ZunInfo_Click();
    void Command_Help_Click();

    // Every handler below is bound in the constructor. Until its owner writes
    // it, src/core/player_stubs.cpp holds an empty definition (the owner deletes
    // that stub when the real one lands).

    // ---- song start, transport, sound (src/playback)
    void Command_Play_Click();
    void Command_Stop_Click();
    void Command_Back_Click();
    void Command_Forward_Click();
    void Command_Next_Click();
    void Command_Prev_Click();
    void Command_Cacher_Click();
    void Timer_SetKar2_Timer();
    void VolumeCtl_MouseMove(int Button, int Shift, float X, float Y);
    void VelocityCtl_MouseMove(int Button, int Shift, float X, float Y);
    void TransposeCtl_MouseMove(int Button, int Shift, float X, float Y);
    void BalanceCtl_MouseMove(int Button, int Shift, float X, float Y);
    void Check_Muet_Click();
    void StopMidiRewind();

    // ---- lyric window from the main window (src/lyricwindows)
    void Command_AffSyk_Click();
    void Check_Muet2_Click();

    // ---- playback clock, sync-file cursors and lyric drawing (src/karaoke)
    void Timer1_Timer();
    void OpenSykFile();
    void OpenSy1File();
    void NextSykLine();
    void NextSy1Line();
    void StripSykMarks();
    void StripSy1Marks();
    void PrintKarPage();
    void PrintKarPageK1();
    void PrintKarPageScroll();
    void PrintKarPageScrollK1();
    void RefreshKaraoke();
    void RefreshKaraokeK1();
    // Shows one MIDI lyric event: its text, its place in its line, the line, the
    // line before it (unused) and the eight lines after it.
    void PlayKar(const std::string& text, int linePos, const std::string& L0, const std::string& previous,
                 const std::string& L1, const std::string& L2, const std::string& L3, const std::string& L4,
                 const std::string& L5, const std::string& L6, const std::string& L7, const std::string& L8);
    void RedrawKarPage();

    // ---- play list (src/playlist)
    void ListView1_Click();
    void ListView1_DblClick();
    void ListView1_KeyDown(int& KeyCode, int Shift);
    void ListView1_ColumnClick(ColumnHeader& ColumnHeader);
    void ListView1_MouseUp(int Button, int Shift, float X, float Y);
    void Image_Tab_Click();
    // Shows the play-list tab: its buttons and menus, the play list's columns,
    // then the list named by PathLst loaded (start-up and the tab switch).
    void ShowPlayListTab();
    // Moves the drive list to the place that holds `folder` without listing
    // that drive's root (the folder list already shows the folder).
    void FollowFolderWithDrive(const std::string& folder);
    void Drive1_Change();
    void Dir1_Change();
    void Command_Add_Click();
    void Command_Supp_Click();
    void Command_Detect_Click();
    void Command_Edit_Click();
    void Command_Open_Click();
    void Command_Save_Click();
    void Command_SaveAs_Click();
    void Command_ViewList_Click();
    void Command_ViewDetail_Click();
    void Command_Print_Click();
    void Command_Up_Click();
    void Command_Dwn_Click();
    void Command_Random_Click();
    void Command_Trie_Click();
    void Command_Ok_Click();
    void Command_Cancel_Click();
    void Command_Appliquer_Click();
    void Check_Select_Click();
    void Label_SelectAll_Click();
    void Check_GridLines_Click();
    void mnuView_Click(int Index);
    // The view menu's ticks follow the list's view: the item of the view shown is ticked.
    void TickViewMenu();
    void mnuGride_Click(int Index);
    void mnuEdit_Click(int Index);
    void mnuDetect_Click(int Index);
    void mnuDeleteToPlayList_Click(int Index);
    void mnuAddtoPlayList_Click(int Index);
    void SetBufferColumns();
    void InitListIcons();
    void SetBrowseColumns();
    void SetPlayListColumns();
    void LoadPlayList(std::string& path);
    void ListFolder();
    // Offers to save a modified play list. Saved (or nothing to save) and
    // Discarded let the caller go on; WentBack (Escape, the close box) and
    // NotSaved (Yes, and the save failed) keep the list on screen as it is.
    enum class ListSaveAnswer { Saved, Discarded, WentBack, NotSaved };
    ListSaveAnswer AskSavePlayListAnswer();
    // True when the caller may go on (saved or discarded).
    bool AskSavePlayList();
    void BackupPlayList();
    void RestorePlayList();
    // Writes the play list to `path` (beside it, then renamed over it); false,
    // after telling the user, when it could not be written.
    bool SavePlayList(const std::string& path);
    // Draws the row icons and the tab-strip pictures (InitListIcons calls it).
    void DrawListPictures();
    // Gives the play-list file buttons (open, save, save as) their pictures.
    void DrawListButtons();

    // ---- synchronisation editor and lyric text (src/editor)
    void Command_Record_Click();
    void Command_Parole_Click();

    // ---- program settings (src/settings)
    void Command_Config_Click();

private:
    void BindEvents();
};

// The main window's default instance, created and loaded on first use.
Player& player();

namespace PlayList {
// The list's selection mode: "" (none), "Ajout" (add), "Supp" (remove) or
// "Detection" (detect tags). The layout reads it.
inline std::string ListMode;
} // namespace PlayList

// The song the command line asks for: for an argument ending exactly in
// ".syk", the first existing song of the same base name (".mp3", ".kar",
// ".mid", ".wav") in the music folder, then beside the .syk file; for an
// argument ending in ".mp3", ".mid", ".kar" or ".wav" (any case), the argument
// itself. `syk` is set when the argument was a sync file; "" when nothing is
// to be played.
std::string CommandLineSong(const std::string& cmdLine, const std::string& pathMp3, bool* syk = nullptr);

// The horizontal shifts of the top row and of the transport panel for an outer
// window width, by the layout variant [Setting] "FrezeDeskTop".
struct PlayerShifts {
    int TopShift = 0;
    int BottomShift = 0;
};
PlayerShifts PlayerLayoutShifts(const std::string& frezeDeskTop, int playerWidth);
