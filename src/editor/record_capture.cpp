// Giving the syllables their times. While the song plays the user presses the
// space bar (or "Capturer") as each syllable starts: the song clock goes into
// the selected entry, the selection moves on and the sung part is printed over
// the current line on the lyric window. The shift buttons then correct a
// steady offset, over the whole list (or from the selection on, in Ctrl mode)
// or in the time field of one entry.
#include "editor/record.h"

#include <cmath>
#include <string>

#include "core/modini.h"
#include "editor/syncwriter.h"
#include "platform/files/runtime.h"
#include "platform/forms/prompter.h"

using namespace modIni;

namespace {

// Sums and differences of decimal times leave binary residues (0,3 - 0,1 - 0,2
// is not quite 0, and a time that is not 0 counts as captured, written as the
// smallest time rather than 0): the residue is dropped here, and the time is
// then written rounded to the millisecond like every time of the file.
double tidyTime(double t)
{
    const double r = std::round(t * 1e9) / 1e9;
    return r == 0 ? 0.0 : r;
}

void numberMessage(const std::string& text)
{
    const bool fr = Langue == "Fr";
    MsgBox(fr ? "L'entrée ->  " + text + "   <- Ne correspond pas à une valeur numérique !"
              : "The entry ->  " + text + "   <- is not a valid number !",
           vbOKOnly + vbCritical, fr ? "Attention" : "Warning");
}

void lastEntryMessage()
{
    const bool fr = Langue == "Fr";
    MsgBox(fr ? "La dernière ligne doit se terminer par un saut de ligne" : "The last entry must end with an Enter",
           vbOKOnly + vbCritical, fr ? "Attention" : "Warning");
}

std::string commaDecimal(const std::string& s) { return vb::Replace(s, ".", ","); }

} // namespace

void Record::Command_Capture_Click()
{
    if (!IsPlaying || RecBusy || RecordLock == -1)
        return;
    const int i = List_Syk.ListIndex();
    // A display entry is stepped over by the preview, never overwritten here.
    if (i >= 0 && SykFile::IsDisplayEntry(List_Syk.List(i)))
        return;
    // Only an entry whose time is not captured yet takes one.
    bool ok = false;
    const double current = SykFile::ParseSykTime(Text_time.Text(), &ok);
    if (ok && current != 0)
        return;

    // A capture at the song's very start still counts as a capture.
    Text_time.setText(SykFile::FormatTimedSykTime(SongClock()));
    const int count = List_Syk.ListCount();
    // The previous capture closed a line: the preview moves on first, also
    // when this is the last entry (a last line of one syllable is sung on its
    // own line, not over the line above).
    if (RecLineEnded)
        NextKarLine();
    if (Check_NLigne.Value() == 1)
        RecLineEnded = true;
    if (i < 0)
        return;

    List_Syk.setList(i, EntryFromFields());
    RecModified = true;
    if (RecNewLine == 1) {
        Text_TestSyk.setText("");
        RecNewLine = 0;
    }
    Text_TestSyk.setText(Text_TestSyk.Text() + Text_Syk.Text());
    if (Check_NLigne.Value() == 1)
        RecNewLine = 1;

    // The next item by its place (an equal text earlier in the list is another
    // syllable); after the last one nothing is selected.
    List_Syk.setListIndex(i + 1 < count ? i + 1 : -1);
    OverprintSungPart();
    if (RecLineCount == List_Syk.ListIndex())
        RecLineCount += 2;

    if (List_Syk.ListIndex() == -1) {
        // The run is complete. The follower stops before the box opens, so no
        // tick runs under it; the song plays on, and the time display's timer
        // still ends it when the song ends.
        Timer1.setEnabled(false);
        if (RecordLock != 1)
            MsgBox(Langue == "Fr" ? "Fin" : "End", vbOKOnly);
    }
}

namespace {

// Adds (sign 1) or subtracts (sign -1) the step to every time of the list, or
// from the selected entry on in Ctrl mode. Display entries keep their text.
void shiftTimes(Record& r, int sign)
{
    if (!r.EditingAllowed())
        return;
    ListBox& list = r.List_Syk;
    const int start = Record::RecCtrlMode ? list.ListIndex() : 0;
    r.Text_Temp.setText(commaDecimal(r.Text_Temp.Text()));
    list.SetFocus();
    Record::RecBusy = true;

    bool stepOk = false;
    const double step = SykFile::ParseSykTime(r.Text_Temp.Text(), &stepOk);
    const int count = list.ListCount();
    if (start >= 0 && start < count) {
        list.setListIndex(start);
        Record::RecModified = true;
        bool failed = false;
        for (int i = start; i < count; ++i) {
            const std::string entry = list.List(i);
            if (!SykFile::IsDisplayEntry(entry)) {
                const SykFile::EntryParts parts = SykFile::SplitEntry(entry);
                bool timeOk = false;
                const double t = SykFile::ParseSykTime(parts.time, &timeOk);
                if (!parts.hasSeparator || !timeOk || !stepOk) {
                    // The walk stops here: entries before it stay shifted.
                    failed = true;
                    break;
                }
                const double shifted = tidyTime(t + sign * step);
                list.setList(i, parts.syllable + ";" + SykFile::FormatSykTime(shifted) + (parts.lineEnd ? "_" : ""));
            }
            if (i + 1 < count)
                list.setListIndex(i + 1);
        }
        if (!failed)
            list.setListIndex(start);
    }
    Record::RecCtrlMode = false;
    r.Label_Ctrl.setVisible(false);
    Record::RecBusy = false;
}

// Adds or subtracts the step to the time field only; Apply writes it to the entry.
void shiftField(Record& r, int sign)
{
    if (r.Text_time.Text().empty() || !r.EditingAllowed())
        return;
    bool ok = false;
    const double t = SykFile::ParseSykTime(r.Text_time.Text(), &ok);
    if (!ok) {
        numberMessage(r.Text_time.Text());
        return;
    }
    const double step = SykFile::ParseSykTime(r.Text_Temp.Text(), &ok);
    if (!ok) {
        numberMessage(r.Text_Temp.Text());
        return;
    }
    r.Text_time.setText(SykFile::FormatSykTime(tidyTime(t + sign * step)));
    r.Text_Temp.setText(commaDecimal(r.Text_Temp.Text()));
    Record::RecModified = true;
    if (r.Check_NLigne.Value() != 1 && r.List_Syk.ListIndex() == r.List_Syk.ListCount() - 1)
        lastEntryMessage();
}

} // namespace

void Record::Command_Plus_Click() { shiftTimes(*this, 1); }
void Record::Command_Moin_Click() { shiftTimes(*this, -1); }
void Record::Command_PlusL_Click() { shiftField(*this, 1); }
void Record::Command_MoinL_Click() { shiftField(*this, -1); }
