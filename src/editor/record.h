#pragma once
// The synchronisation editor window "Edit Syk". The user builds the timing
// list of the main window's current song here: one `SykEntry` per item of
// `List_Syk` (a syllable and its time, "_" after the time of a line's last
// syllable, or a whole display line starting with "//"), captures times while
// the song plays through the main window's machinery, previews them on the
// lyric window and saves the list as the song's .syk / .sy1 file.
//
// The window's controls are created at each opening and destroyed when it
// closes. Its Rec... members, in contrast, live as long as the program (a
// closed and reopened editor finds the values it had), hence static.
//
// Handlers live in the editor's .cpp files by theme: record.cpp (opening,
// loading, closing), record_layout.cpp, record_list.cpp (the list and its edit
// commands), recordsave.cpp (sync file commands and the save dialog),
// record_capture.cpp, record_text.cpp, record_play.cpp, record_preview.cpp,
// record_import.cpp, recordcolorset.cpp.
#include <optional>
#include <string>

#include "platform/forms/controls.h"
#include "platform/forms/form.h"

class Record : public Form {
public:
    Record();

    // ---- song, position and transport
    Label Label1{this};                   // "Karaoke" (decoration)
    PictureBox Picture_Show{this};        // decoration
    Label Label_Compteur{this};           // "Compteur:" / "Count:"
    TextBox Time_Left{this};              // play position
    Label Label_edit{this};               // "Text Éditeur" / "Text Editor"
    Label Label_Mp3{this};                // "Musique:" / "Music:"
    TextBox Select_Song{this};            // file name (no folder) of the song
    CommandButton Command_Help{this};     // the editor's manual page
    CommandButton Command_OpenMp3{this};  // choose the music file
    CommandButton Command_Play{this};
    CommandButton Command_Stop{this};
    CommandButton Command_Back{this};     // 10 seconds back
    CommandButton Command_Forward{this};  // 10 seconds forward
    CommandButton Command_Capture{this};  // "Capturer"
    CommandButton Command_AffSyk{this};   // show the lyric window
    CommandButton Command_ImpKar{this};   // import the lyric events of a .kar/.mid
    CommandButton Command_Sortir{this};   // close the editor

    // ---- timing list and entry fields
    Shape Shape1{this};                   // frames the entry fields (behind them)
    ListBox List_Syk{this};               // the timing list
    Label Label_Z{this};                  // ". pour RAZ" / ". to Reset"
    Label Label_2Click{this};             // "Double Click: Jouer" / "Double Click: Play"
    Label Label_Space{this};              // "Barre d'espacement pour Capturer"
    TextBox Text_Syk{this};               // syllable of the selected entry
    TextBox Text_time{this};              // time of the selected entry (decimal comma)
    CommandButton Command_MoinL{this};    // "-": time of the entry minus the step
    CommandButton Command_PlusL{this};    // "+": time of the entry plus the step
    CheckBox Check_NLigne{this};          // the entry ends its lyric line
    Label Label_Check_NLigne{this};       // "Saut Ligne" / "Enter"
    CommandButton Command_MAJ{this};      // "Modifier" / "Apply" ("Edit" on a display entry)
    CommandButton Command_Ins{this};      // "Ajouter" / "Add"
    CommandButton Command_Supp{this};     // "Supp." / "Delete"
    CheckBox Check_Scrole{this};          // auto-scroll of the list during preview
    Label Label_Check_Scrole{this};       // "Auto défilement" / "Auto Scroll"
    TextBox Text_TestSyk{this};           // sung part of the current lyric line

    // ---- tools between the list and the text pane
    Label Label_Esp{this};                // "Esp." / "Spc."
    CheckBox Check_ChkBlank{this};        // the conversion also splits at blanks
    CommandButton Command_compil{this};   // convert the lyric text into entries
    CommandButton Command_SetColor{this}; // the song's colour line
    CommandButton Command_ClsSyk{this};   // clear the list
    CommandButton Command_ClsTime{this};  // set every time to 0
    CommandButton Command_Moin{this};     // shift all times by minus the step
    CommandButton Command_Plus{this};     // shift all times by the step
    TextBox Text_Temp{this};              // the step in seconds, "0,1"
    Label Label_Ctrl{this};               // "Ctrl", shown while Ctrl is held

    // ---- lyric text pane
    TextBox Text_TXT{this};               // the lyrics, syllables cut by hyphens
    CommandButton Command_OpenTXT{this};
    CommandButton Command_SaveTXT{this};
    Label Label_Tiret{this};              // hint on hyphens, shown while Text_TXT has the focus

    // ---- sync file
    CommandButton Command_OpenSyk{this};  // "Ouvrir .Syk" / "Open .Syk"
    CommandButton Command_SaveSyk{this};  // "Enregistrer .Syk" / "Save .Syk"

    // ---- timers (10 ms, off at design)
    Timer Timer1{this};                   // preview follower
    Timer Timer2{this};                   // time display
    Timer Timer_Record{this};             // import of MIDI lyric events

    // ---- members shared by the editor's handlers; they outlive the window
    static inline std::string RecSykPath;      // sync file being edited ("" none yet)
    static inline std::string RecSykFolder;    // [Path] "Path Syk"
    static inline std::string RecSongFileName; // file name of the main window's song
    static inline bool RecBusy = false;        // a list walk or an import is under way
    static inline bool RecModified = false;    // the list holds unsaved changes
    static inline std::string RecSykUnread;    // a sync file that could not be read whole into the list
    static inline long RecCurLine = 0;         // preview line (1 or 2) being sung
    static inline bool RecLineEnded = false;   // the last reached entry ended a line
    static inline int RecNewLine = 0;          // 1: empty the sung part before the next syllable
    static inline int RecLineCount = 0;        // list index of the next scroll; 10000 = never
    static inline bool RecCtrlMode = false;    // Ctrl held: commands act from the selection on
    static inline int RecSplitCase = 0;        // rows (1..4) the current line was wrapped into
    static inline std::string RecImportLine;   // sung text of the line being imported
    static inline long RecCounterMark = 0;     // whole seconds at the counter's last blink
    // Back to the state of a program that never opened the editor (tests).
    static void ResetMembers();

    // ---- window life (record.cpp)
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Resize() override;               // record_layout.cpp
    void Form_Unload(int& Cancel) override;
    void Command_Sortir_Click();
    void Command_Help_Click();
    void Check_Scrole_Click();

    // ---- sync files (recordsave.cpp, syncwriter.cpp)
    void GetSykPath();
    void LoadSykFile();
    void Command_OpenSyk_Click();
    void Command_SaveSyk_Click();

    // ---- timing list and edit commands (record_list.cpp)
    void List_Syk_Click();
    void List_Syk_GotFocus();
    void List_Syk_LostFocus();
    void List_Syk_KeyPress(int& KeyAscii);
    void Command_MAJ_Click();
    void Command_Ins_Click();
    void Command_Supp_Click();
    void Command_ClsSyk_Click();
    void Command_ClsTime_Click();
    // Ctrl mode: the same key-down / key-up on Command_ClsTime, Command_compil,
    // Command_Moin, Command_Plus, List_Syk and Text_TXT.
    void CtrlMode_KeyDown(int& KeyCode, int Shift);
    void CtrlMode_KeyUp(int& KeyCode, int Shift);
    // The editing commands refuse while a song plays, a list walk runs or
    // RecordLock is set.
    bool EditingAllowed() const;
    // "Text_Syk;Text_time", with "_" when Check_NLigne is ticked.
    std::string EntryFromFields() const;

    // ---- capture and time shifts (record_capture.cpp)
    void Command_Capture_Click();
    void Command_Plus_Click();
    void Command_Moin_Click();
    void Command_PlusL_Click();
    void Command_MoinL_Click();

    // ---- lyric text pane (record_text.cpp)
    void Command_compil_Click();
    void Command_OpenTXT_Click();
    void Command_SaveTXT_Click();
    void Text_TXT_GotFocus();
    void Text_TXT_LostFocus();
    void LoadText(TextBox& box, const std::string& path);
    void SaveText(TextBox& box, const std::string& path);

    // ---- playback (record_play.cpp)
    void Command_Play_Click();
    void Command_Stop_Click();
    void Command_Back_Click();
    void Command_Forward_Click();
    void Command_OpenMp3_Click();
    // The song's kind, from the last three letters of the editor's song box.
    static bool MidiSong();
    // The editor's song clock in seconds: a MIDI song's segment position / 1000,
    // else the media player's position.
    static double SongClock();
    // Starts the main window's song for the editor (the MIDI path or the media
    // player), at `fromSeconds` of the song clock when given, and shows its
    // length on the lyric window. False (the user told) when it cannot play.
    bool StartEditorSong(std::optional<double> fromSeconds);

    // ---- preview on the lyric window (record_preview.cpp)
    void Timer1_Timer();
    void Timer2_Timer();
    // Stops as the Stop button does once the song has played to its end.
    void StopAtSongEnd();
    void List_Syk_DblClick();
    void Command_AffSyk_Click();
    void FillKarLines();
    void NextKarLine();
    void DrawKarLine1();
    void DrawKarLine2();
    void PrintSplitLigne();
    // The sung part (Text_TestSyk) printed over the line being sung.
    void OverprintSungPart();

    // ---- import of MIDI lyric events (record_import.cpp)
    void Command_ImpKar_Click();
    void Timer_Record_Timer();
    // Hands the next MIDI lyric record to the import (its own time, its line).
    void importNextRecord();
    void AddImportedSyllable(double time, const std::string& syllable, const std::string& line,
                             const std::string& nextLine, const std::string& lineAfter);
    void DrawImportLine();

    // ---- per-song colour line (recordcolorset.cpp)
    void Command_SetColor_Click();

private:
    void bindEvents();
    // Places the controls for the current size (the resize without the
    // background picture).
    void LayoutControls();
};

namespace modIni {
// A gate on the editor's commands and the lyric text window's save: they
// refuse while it is not 0; capture refuses while it is -1, and 1 silences
// capture's end message. Start-up leaves it at 0.
inline int RecordLock = 0;
} // namespace modIni

// The editor window's default instance, created and loaded on first use.
Record& record();
// True while the editor window exists (does not create it).
bool RecordLoaded();
