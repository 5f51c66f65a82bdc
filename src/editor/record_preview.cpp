// The editor's preview on the main lyric window: while the editor plays its
// song, the current lyric line and the one after it are shown with the part
// already sung printed over in the active colour, exactly as the song will be
// sung from its sync file. Timer1 follows the play position through the list
// (one entry reached per tick), Timer2 shows the play time.
//
// The two preview lines live in elements 1 and 2 of the engine's page buffer
// and form a ring: RecCurLine names the one being sung, the other one holds the
// line after it. The sung part of the current line is the hidden Text_TestSyk.
#include "editor/record.h"

#include <cmath>
#include <string>

#include "core/modini.h"
#include "core/player.h"
#include "editor/recordcolorset.h"
#include "editor/syncwriter.h"
#include "karaoke/engine.h"
#include "karaoke/lyricviews.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "lyricwindows/karaoke_k1.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "playback/midiplayer.h"

using namespace modIni;

namespace {

long pageColour() { return Kar::colourOf(FontRed, FontGreen, FontBlue); }
long activeColour() { return Kar::colourOf(ActifRed, ActifGreen, ActifBlue); }
int marginX() { return karaoke().HScroll_Kar.Value() * 100; }
int marginY() { return karaoke().VScroll_Kar.Value() * 100; }

// Rows the list shows (rows of 198 twips), not rounded.
double listPageRows(const ListBox& list) { return list.Height() * 20.0 / 3960.0; }

// The play position as a person reads it, to the millisecond: the sound
// clock's own figure ("3.96825396825397") would not fit the box, whose end
// alone would show.
std::string shownTime(double seconds) { return vb::CStr(std::round(seconds * 1000.0) / 1000.0); }

// The display text of the lyric line that starts at item `j` (display entries
// add nothing): its syllables up to and including the entry with the line-end
// mark; `j` ends just past that entry, or at the end of the list when no mark
// follows.
std::string collectLine(const ListBox& list, int& j)
{
    std::string text;
    const int count = list.ListCount();
    while (j < count) {
        const std::string e = list.List(j++);
        if (SykFile::IsDisplayEntry(e))
            continue;
        const SykFile::EntryParts parts = SykFile::SplitEntry(e);
        text += parts.syllable;
        if (parts.lineEnd)
            break;
    }
    return text;
}

// One preview line from the left margin: wrapped to the window's width, each
// row over its shadow. Leaves the row count in `rows`.
void printPreviewLine(const std::string& line, int& rows)
{
    Karaoke& k = karaoke();
    rows = SplitKarLigne(line);
    const bool shadow = ShadowH != 0 || ShadowV != 0;
    if (rows == 1) {
        if (shadow)
            PrintKarShadow(line, "Actif");
        k.Print(line);
        return;
    }
    if (rows < 2 || rows > 4)
        return;
    const auto split = Kar::KarSplitRows;  // the shadow print never rewraps; keep our own copy anyway
    for (int r = 1; r <= rows; ++r) {
        if (shadow)
            PrintKarShadow(split[static_cast<std::size_t>(r)], "Actif");
        if (r >= 2)
            k.setCurrentX(marginX());
        k.Print(split[static_cast<std::size_t>(r)]);
    }
}

// Clears the window and prints two lines, one under the other.
void drawTwoLines(const std::string& upper, const std::string& lower, int& rows)
{
    Karaoke& k = karaoke();
    k.Cls();
    k.setCurrentX(marginX());
    k.setCurrentY(marginY());
    k.setForeColor(pageColour());
    printPreviewLine(upper, rows);
    k.setCurrentX(marginX());
    printPreviewLine(lower, rows);
}

} // namespace

// ---------------------------------------------------------------- drawing

void Record::DrawKarLine1()
{
    if (karaoke().Scroll.Value() != 0) {
        DrawKarLine2();
        return;
    }
    int rows = 0;
    drawTwoLines(Kar::KarPageLines[1], Kar::KarPageLines[2], rows);
    RecSplitCase = rows;
    RecLineEnded = false;
}

void Record::DrawKarLine2()
{
    // The line being sung first.
    if (RecCurLine == 1) {
        Kar::KarScrollLines[1] = Kar::KarPageLines[1];
        Kar::KarScrollLines[2] = Kar::KarPageLines[2];
    } else if (RecCurLine == 2) {
        Kar::KarScrollLines[1] = Kar::KarPageLines[2];
        Kar::KarScrollLines[2] = Kar::KarPageLines[1];
    }
    int rows = 0;
    drawTwoLines(Kar::KarScrollLines[1], Kar::KarScrollLines[2], rows);
    RecSplitCase = rows;
    RecLineEnded = false;
}

void Record::DrawImportLine()
{
    // The import puts the line being imported first itself in the scrolling
    // layout, so it always draws the fixed layout.
    int rows = 0;
    drawTwoLines(Kar::KarPageLines[1], Kar::KarPageLines[2], rows);
    RecSplitCase = rows;
    RecLineEnded = false;
}

void Record::PrintSplitLigne()
{
    // The rows already sung whole, then the rest of the sung part on the row
    // where singing is. Each cut of the line dropped one blank, counted here.
    Karaoke& k = karaoke();
    const std::string sung = Text_TestSyk.Text();
    const int rowsOfLine = RecSplitCase;
    if (rowsOfLine < 1 || rowsOfLine > 4)
        return;
    const auto n = static_cast<long>(vb::Len(sung));
    long before = 0;  // characters of the line up to the end of the rows printed whole
    for (int j = 1; j <= rowsOfLine; ++j) {
        const std::string& row = Kar::KarSplitRows[static_cast<std::size_t>(j)];
        const long upTo = before + static_cast<long>(vb::Len(row)) + 1;
        if (j == rowsOfLine || n <= upTo) {
            if (j >= 2)
                k.setCurrentX(marginX());
            k.Print(vb::Mid(sung, before + 1));
            return;
        }
        if (j >= 2)
            k.setCurrentX(marginX());
        k.Print(row);
        before = upTo;
    }
}

void Record::OverprintSungPart()
{
    Karaoke& k = karaoke();
    const int x0 = marginX();
    const int y0 = marginY();
    if (RecCurLine == 1 || k.Scroll.Value() != 0) {
        // The line being sung is the upper one.
        k.setForeColor(activeColour());
        k.setCurrentX(x0);
        k.setCurrentY(y0);
        RecSplitCase = SplitKarLigne(RecCurLine == 1 ? Kar::KarPageLines[1] : Kar::KarPageLines[2]);
    } else {
        // The lower line: move past the rows of the upper one first.
        k.setForeColor(pageColour());
        k.setCurrentX(x0);
        k.setCurrentY(y0);
        k.Print("");
        PrepareKarPage(1);
        k.setCurrentX(x0);
        k.setForeColor(activeColour());
        RecSplitCase = SplitKarLigne(Kar::KarPageLines[2]);
    }
    PrintSplitLigne();
}

// ---------------------------------------------------------------- the two preview lines

void Record::FillKarLines()
{
    const int i = List_Syk.ListIndex();
    if (RecBusy || i < 0)
        return;
    // The rest of the selected entry's line, from the selected syllable on,
    // then the line after it.
    int j = i;
    Kar::KarPageLines[1] = collectLine(List_Syk, j);
    Kar::KarPageLines[2] = j < List_Syk.ListCount() ? collectLine(List_Syk, j) : std::string();
    RecLineEnded = false;
    DrawKarLine1();
}

void Record::NextKarLine()
{
    int j = List_Syk.ListIndex();
    if (j < 0)
        return;
    // Past the line of the selected entry, the line after it replaces the
    // finished one in the ring.
    collectLine(List_Syk, j);
    const std::string next = j < List_Syk.ListCount() ? collectLine(List_Syk, j) : std::string();
    if (RecCurLine == 1) {
        Kar::KarPageLines[1] = next;
        RecCurLine = 2;
    } else {
        Kar::KarPageLines[2] = next;
        RecCurLine = 1;
    }
    RecLineEnded = false;
    DrawKarLine1();
}

// ---------------------------------------------------------------- the follower

void Record::Timer1_Timer()
{
    // Only a song playing from the editor is followed (an import draws and
    // fills the list itself).
    if (!IsPlaying || RecBusy)
        return;
    const int i = List_Syk.ListIndex();
    const int count = List_Syk.ListCount();
    const std::string entry = List_Syk.List(i);

    // Keep the current entry in view: it goes to the top of the list once the
    // selection reaches the last row scrolled to.
    const double page = listPageRows(List_Syk);
    if (i >= 0 && Check_Scrole.Value() == 1 && i < count - page && RecLineCount <= i) {
        const bool lyricActive = KarActive;
        const bool k1Shown = karaoke().Check_Aff_K1.Value() == 1;
        if (lyricActive) {
            // Giving the list the focus activates the editor: the lyric
            // windows stay above it meanwhile.
            karaoke().SetTopMost(true);
            if (k1Shown)
                karaoke_K1().SetTopMost(true);
        }
        List_Syk.SetFocus();
        List_Syk.setTopIndex(i);
        RecLineCount = i + vb::CInt(page) - 1;
        if (lyricActive) {
            const bool onTop = karaoke().OnTop.Value() == 1;
            karaoke().SetTopMost(onTop);
            if (k1Shown)
                karaoke_K1().SetTopMost(onTop);
        }
    }

    const double pos = SongClock();
    if (i >= 0) {
        if (SykFile::IsDisplayEntry(entry)) {
            // The song's own look from here on.
            ApplyKarDisplaySettings(entry);
            if (i == 0)
                DrawKarLine1();
            else
                NextKarLine();
            List_Syk.setListIndex(i + 1 < count ? i + 1 : -1);
        } else {
            const SykFile::EntryParts parts = SykFile::SplitEntry(entry);
            bool ok = false;
            const double t = SykFile::ParseSykTime(parts.time, &ok);
            if (parts.hasSeparator && ok && t != 0 && t <= pos) {
                if (RecLineEnded)
                    NextKarLine();
                if (RecNewLine == 1) {
                    Text_TestSyk.setText("");
                    RecNewLine = 0;
                }
                if (parts.lineEnd)
                    RecNewLine = 1;
                Text_TestSyk.setText(Text_TestSyk.Text() + parts.syllable);
                OverprintSungPart();
                if (parts.lineEnd)
                    RecLineEnded = true;
                // On to the next item by its place: two items with the same
                // text are two syllables, not one.
                List_Syk.setListIndex(i + 1 < count ? i + 1 : -1);
            }
        }
    }

    StopAtSongEnd();
}

void Record::StopAtSongEnd()
{
    if (MidiSong()) {
        if (IsPlaying && Kar::MidiPosition() >= Kar::MidiLength()) {
            Kar::StopMidiAtEnd();
            Command_Stop_Click();
        }
    } else {
        media::MediaPlayer& m = player().ActiveMovie1;
        if (IsPlaying && m.CurrentPosition() >= m.Duration())
            Command_Stop_Click();
    }
}

void Record::Timer2_Timer()
{
    // Once the last entry is captured the follower is off: the end of the
    // song is seen here then, or the editor would go on believing a song
    // plays (and refuse to save) until Stop is pressed.
    if (!Timer1.Enabled()) {
        StopAtSongEnd();
        if (!IsPlaying)
            return;
    }
    Player& p = player();
    if (MidiSong()) {
        const std::int32_t pos = Kar::MidiPosition();
        Time_Left.setText(shownTime(static_cast<double>(pos) / 1000.0));
        karaoke().ProgressBar1.setValue(pos);
        return;
    }
    const double pos = p.ActiveMovie1.CurrentPosition();
    Time_Left.setText(shownTime(pos));
    // Whole seconds first, so the seconds part never shows a negative value.
    const long whole = vb::CLng(pos < 0 ? 0.0 : pos);
    p.Time_Left.setCaption(vb::Format2(whole / 60) + ":" + vb::Format2(whole % 60));
    karaoke().ProgressBar1.setValue(pos);
}

// ---------------------------------------------------------------- play from an entry

void Record::List_Syk_DblClick()
{
    if (IsPlaying || RecBusy)
        return;
    const int i = List_Syk.ListIndex();
    if (i < 0)
        return;
    const std::string entry = List_Syk.List(i);
    if (SykFile::IsDisplayEntry(entry)) {
        record_ColorSet().ShowColorLine(entry);
        return;
    }
    if (player().Select_Song.Text().empty())
        return;

    Label_Z.setVisible(false);
    Label_2Click.setVisible(false);
    RecCurLine = 1;
    karaoke().Cls();
    Kar::KarPageLines[1].clear();
    Kar::KarPageLines[2].clear();
    IsPlaying = true;
    RecLineEnded = false;
    const double page = listPageRows(List_Syk);
    RecLineCount = List_Syk.ListCount() - page > i ? vb::CInt(i - page) : 10000;
    List_Syk_GotFocus();
    FillKarLines();

    // From the whole second at or before the entry's time.
    bool ok = false;
    const double t = SykFile::ParseSykTime(SykFile::SplitEntry(entry).time, &ok);
    const double t0 = ok && t > 0 ? vb::Int(t) : 0.0;
    if (!StartEditorSong(t0)) {
        IsPlaying = false;
        RecCurLine = 0;
        return;
    }
    Text_TestSyk.setText("");
    Timer1.setEnabled(true);
    Timer2.setEnabled(true);
    SetFocus();
}

void Record::Command_AffSyk_Click()
{
    player().Command_AffSyk.press();
    Karaoke& k = karaoke();
    k.HScroll_Kar.setValue(KarScrollPos[1]);
    k.VScroll_Kar.setValue(KarScrollPos[2]);
}
