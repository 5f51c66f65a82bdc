// Importing the lyric events of a .kar or .mid song. The song plays (without
// the editor's playback: IsPlaying stays false, RecBusy is set) and every
// syllable record of the MIDI analysis that falls due is appended to the
// timing list with the song clock of that moment, the last syllable of each
// lyric line marked "_". The lyric window meanwhile shows the line being
// imported and the one after it, the imported part printed over.
#include "editor/record.h"

#include <cstdint>
#include <string>

#include "core/modini.h"
#include "core/player.h"
#include "editor/syncwriter.h"
#include "karaoke/engine.h"
#include "karaoke/lyricviews.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "playback/midianalysis.h"
#include "playback/midiplayer.h"
#include "playback/playback.h"

using namespace modIni;

namespace {

// The line of the record handed over last (-1 before the first): a record of
// another line closes the line before it even when its syllables never added
// up to the line's text (a syllable the analysis could not hand over).
std::int32_t importLineNo = -1;

std::string midiLine(std::int64_t n)
{
    if (n < 0 || n >= static_cast<std::int64_t>(Kar::MidiLines.size()))
        return {};
    return Kar::MidiLines[static_cast<std::size_t>(n)];
}

// Gives the list's last entry its line-end mark when it lacks one.
void closeLastEntry(ListBox& list)
{
    const int count = list.ListCount();
    if (count == 0)
        return;
    const std::string last = list.List(count - 1);
    if (last.empty() || last.back() != '_')
        list.setList(count - 1, last + "_");
}

// A syllable as an entry of the list: ";" is the field separator of a sync
// file, so it becomes "," (as the text conversion does); a line break inside a
// syllable would cut the file's line, so it goes (line ends are marked by "_");
// and a syllable that would make its line start with "//" would be read back
// as a display line, so its second "/" goes.
std::string importedSyllable(const std::string& syllable)
{
    std::string s;
    s.reserve(syllable.size());
    for (char c : syllable) {
        if (c == ';')
            s += ',';
        else if (c != '\r' && c != '\n')
            s += c;
    }
    while (s.size() >= 2 && s[0] == '/' && s[1] == '/')
        s.erase(0, 1);
    return s;
}

std::string counterCaption() { return Langue == "Fr" ? "Compteur:" : "Counter:"; }

} // namespace

void Record::Command_ImpKar_Click()
{
    if (IsPlaying)
        return;
    if (RecBusy) {
        // A second press ends the import; what was imported stays.
        Command_Stop_Click();
        RecBusy = false;
        Label_Compteur.setVisible(true);
        return;
    }
    const bool fr = Langue == "Fr";
    if (!MidiSong()) {
        MsgBox(fr ? "Fichier invalide !" : "Invalid file", vbOKOnly + vbCritical, fr ? "Attention" : "Stop");
        return;
    }
    // The import replaces the list: unsaved work is not dropped silently.
    if (RecModified && List_Syk.ListCount() > 0) {
        const int answer =
            MsgBox(fr ? "Vous n'avez pas enregistré!! Remplacer la liste par les paroles de la chanson ?"
                      : "You did not save!! Replace the list with the lyrics of the song ?",
                   vbOKCancel + vbInformation, fr ? "Attention" : "Warning");
        if (answer != vbOK)
            return;
    }

    RecBusy = true;
    Label_Compteur.setCaption(Langue == "En" ? "Record:" : "Enreg.:");
    IsPlaying = false;
    RecCounterMark = 0;
    if (List_Syk.ListCount() > 0)
        RecModified = true;  // the list no longer matches its file
    List_Syk.Clear();
    RecLineEnded = true;
    RecCurLine = 1;
    RecImportLine.clear();
    Text_TestSyk.setText("");
    importLineNo = -1;

    MediaKind = "midi";
    if (!Kar::MidiLoaded)
        karaoke().setCaption("Karaoke");  // the load appends the length (see StartEditorSong)
    if (!Kar::PlayMidi()) {
        RecBusy = false;
        Label_Compteur.setCaption(counterCaption());
        Label_Compteur.setVisible(true);
        playback::ReportUnplayable(player(), Kar::MidiError());
        return;
    }
    DoEvents();
    karaoke().ProgressBar1.setMax(Kar::MidiLength());
    Timer_Record.setEnabled(true);
}

void Record::Timer_Record_Timer()
{
    if (Kar::MidiState == 1 || Kar::MidiState == 2)
        return;
    if (Kar::MidiEventIdx == 0)
        Kar::MidiEventIdx = 1;

    const std::int32_t p = Kar::MidiPosition();
    player().ProgressBar1.setValue(p);
    // The lyric clock of the main window (the heard position), so syllables
    // fall due at the same moments as when the song plays there.
    const double cur = p / 768000.0 * static_cast<double>(Kar::MidiTempo);
    karaoke().ProgressBar1.setValue(p);

    // At most one record per tick.
    const auto last = static_cast<std::int32_t>(Kar::MidiEvents.size()) - 1;
    const std::int32_t idx = Kar::MidiEventIdx;
    if (idx + 1 > last) {
        karaoke().Cls();
    } else if (idx >= 0 && cur >= Kar::MidiEvents[static_cast<std::size_t>(idx)].TimeMs) {
        importNextRecord();
    }

    Time_Left.setText(vb::CStr(Kar::MidiPosition() / 1000.0));
    // The counter label blinks about once a second.
    const double shown = vb::ValDecimal(Time_Left.Text());
    if ((shown > static_cast<double>(RecCounterMark) + 1 && RecBusy) || RecCounterMark == 0) {
        Label_Compteur.setVisible(!Label_Compteur.Visible());
        RecCounterMark = vb::CLng(shown);
    }

    // The end of the song ends the import, once: the timer stops before the
    // box opens, so no tick runs under it.
    if (Kar::MidiPosition() >= Kar::MidiLength()) {
        Timer_Record.setEnabled(false);
        // Records still waiting (one is handed over per tick, and the last ones
        // may fall due in the song's final ticks) are imported with their own times.
        while (Kar::MidiEventIdx >= 0 && Kar::MidiEventIdx + 1 <= last)
            importNextRecord();
        const int count = List_Syk.ListCount();
        if (count > 0) {
            List_Syk.setListIndex(count - 1);
            List_Syk.SetFocus();
            closeLastEntry(List_Syk);
        }
        MsgBox(Langue == "Fr" ? "Fin de l'enregistrement" : "End of recording", vbOKOnly);
        RecBusy = false;
        RecModified = true;
        Label_Compteur.setCaption(counterCaption());
        Kar::StopMidiAtEnd();
        Command_Stop_Click();
    }
}

void Record::importNextRecord()
{
    const std::int32_t idx = Kar::MidiEventIdx;
    Kar::MidiEventIdx = idx + 1;
    const Kar::MidiEvent r = Kar::MidiEvents[static_cast<std::size_t>(idx + 1)];
    // The record's own time, on the editor's song clock (music time / 1000):
    // the record before it holds the moment it falls due, in milliseconds of
    // the lyric clock. Not the moment this tick happens to run.
    const double tempo = static_cast<double>(Kar::MidiTempo);
    const double at = tempo > 0 ? Kar::MidiEvents[static_cast<std::size_t>(idx)].TimeMs * 768.0 / tempo
                                : Kar::MidiPosition() / 1000.0;
    const std::int32_t n = r.LineNo;
    // A title before the first line is not sung when the song plays: it is
    // no entry of the list either.
    if (Kar::IsTitleLine(n))
        return;
    if (n != importLineNo) {
        if (!RecImportLine.empty()) {
            closeLastEntry(List_Syk);
            RecImportLine.clear();
            RecLineEnded = true;
        }
        importLineNo = n;
        AddImportedSyllable(at, r.Text, midiLine(n), midiLine(n + 1), midiLine(n + 2));
    } else if (!r.Text.empty()) {
        // Records without a syllable inside a line (other meta events)
        // would only redraw the line.
        AddImportedSyllable(at, r.Text, midiLine(n), midiLine(n + 1), midiLine(n + 2));
    }
}

void Record::AddImportedSyllable(double time, const std::string& syllable, const std::string& line,
                                 const std::string& nextLine, const std::string& lineAfter)
{
    Karaoke& k = karaoke();
    if (RecLineEnded) {
        // A new lyric line: in the scrolling layout it is always the upper
        // preview line; in the fixed layout it alternates with the line after it.
        if (k.Scroll.Value() != 0)
            RecCurLine = 1;
        if (line.empty() && RecCurLine == 1) {
            Kar::KarPageLines[1] = nextLine;
            Kar::KarPageLines[2] = lineAfter;
        } else if (RecCurLine == 1) {
            Kar::KarPageLines[1] = line;
            Kar::KarPageLines[2] = nextLine;
            RecCurLine = 2;
        } else {
            Kar::KarPageLines[1] = nextLine;
            Kar::KarPageLines[2] = line;
            RecCurLine = 1;
        }
        DrawImportLine();
    }
    RecImportLine += syllable;

    // The imported part of the line, over it (RecCurLine 2: the upper line).
    const int x0 = k.HScroll_Kar.Value() * 100;
    const int y0 = k.VScroll_Kar.Value() * 100;
    const long active = Kar::colourOf(ActifRed, ActifGreen, ActifBlue);
    if (RecCurLine == 2) {
        k.setForeColor(active);
        k.setCurrentX(x0);
        k.setCurrentY(y0);
        RecSplitCase = SplitKarLigne(Kar::KarPageLines[1]);
    } else {
        k.setForeColor(Kar::colourOf(FontRed, FontGreen, FontBlue));
        k.setCurrentX(x0);
        k.setCurrentY(y0);
        k.Print("");
        PrepareKarPage(1);
        k.setCurrentX(x0);
        k.setForeColor(active);
        RecSplitCase = SplitKarLigne(Kar::KarPageLines[2]);
    }
    // The imported part is the sung part of the line.
    Text_TestSyk.setText(RecImportLine);
    if (!RecImportLine.empty())
        PrintSplitLigne();

    const bool complete = RecImportLine == line;
    const std::string entryText = importedSyllable(syllable);
    if (!entryText.empty()) {
        // An imported syllable is a timed one: one due at the song's first
        // tick takes the first step after 0, which would mean "not captured"
        // and hold the preview on it for the whole song.
        List_Syk.AddItem(entryText + ";" + SykFile::FormatTimedSykTime(time) + (complete ? "_" : ""));
        RecModified = true;
    } else if (complete) {
        closeLastEntry(List_Syk);  // the line still ends where its text does
    }
    if (complete) {
        RecImportLine.clear();
        RecLineEnded = true;
    }
}
