// The timing list and its hand-edit commands: the fields that show the
// selected entry, Apply, Add, Delete, clearing the list or its times, the
// Ctrl mode and the keys of the list.
//
// Commands move the selection by index. Moving it by the entry's text would
// jump back to an earlier entry that happens to read the same ("la;0" twice
// in a song is common before capture).
#include "core/modini.h"
#include "editor/record.h"
#include "editor/recordcolorset.h"
#include "editor/syncwriter.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"

using namespace modIni;

namespace {

bool french() { return Langue == "Fr"; }

constexpr int kKeyCtrl = 17;
constexpr int kCtrlMask = 2;

void lastEntryMessage()
{
    if (french())
        MsgBox("La dernière ligne doit se terminer par un saut de ligne", vbOKOnly + vbCritical, "Attention");
    else
        MsgBox("The last entry must end with an Enter", vbOKOnly + vbCritical, "Warning");
}

void numberMessage(const std::string& time)
{
    if (french())
        MsgBox("L'entrée ->  " + time + "   <- Ne correspond pas à une valeur numérique !", vbOKOnly + vbCritical,
               "Attention");
    else
        MsgBox("The entry ->  " + time + "   <- is not a valid number !", vbOKOnly + vbCritical, "Warning");
}

// Puts the edit fields in the form the list stores: "," as the decimal mark,
// and no ";" in the syllable, which would cut the file's line into the wrong
// pairs. False, after saying so, when the time is not a number.
bool fieldsReadyForList(Record& r)
{
    r.Text_time.setText(vb::Replace(r.Text_time.Text(), ".", ","));
    r.Text_Syk.setText(vb::Replace(r.Text_Syk.Text(), ";", ","));
    bool isNumber = false;
    SykFile::ParseSykTime(r.Text_time.Text(), &isNumber);
    if (!isNumber) {
        numberMessage(r.Text_time.Text());
        return false;
    }
    return true;
}

} // namespace

bool Record::EditingAllowed() const { return !IsPlaying && !RecBusy && RecordLock == 0; }

std::string Record::EntryFromFields() const
{
    // Every entry made from the fields (Apply, Add, capture, the "." key)
    // holds no ";" in its syllable, which would cut the file's line into the
    // wrong pairs, and a decimal comma in its time.
    std::string e = vb::Replace(Text_Syk.Text(), ";", ",") + ";" + vb::Replace(Text_time.Text(), ".", ",");
    if (Check_NLigne.Value() == 1)
        e += "_";
    return e;
}

// ---- the fields ----------------------------------------------------------------

void Record::List_Syk_Click()
{
    if (RecBusy)
        return;
    const std::string s = List_Syk.Text();
    if (SykFile::IsDisplayEntry(s)) {
        for (Control* c :
             std::initializer_list<Control*>{&Text_Syk, &Text_time, &Command_MoinL, &Command_PlusL, &Check_NLigne})
            c->setVisible(false);
        Command_MAJ.setCaption("Edit");
        return;
    }
    if (!Text_Syk.Visible()) {
        for (Control* c : std::initializer_list<Control*>{&Text_Syk, &Text_time, &Command_MoinL, &Command_PlusL,
                                                          &Check_NLigne, &Command_Ins})
            c->setVisible(true);
        Command_MAJ.setCaption(Langue == "En" ? "Apply" : "Modifier");
    }
    const SykFile::EntryParts parts = SykFile::SplitEntry(s);
    if (!parts.hasSeparator)
        return;
    Text_Syk.setText(parts.syllable);
    Check_NLigne.setValue(parts.lineEnd ? 1 : 0);
    Text_time.setText(parts.time);
    bool isNumber = false;
    const double t = SykFile::ParseSykTime(parts.time, &isNumber);
    // A time that is not a number is no capture waiting: no hint.
    Label_Space.setVisible(IsPlaying && isNumber && t == 0);
}

void Record::List_Syk_GotFocus()
{
    const bool any = List_Syk.ListCount() > 0;
    if (List_Syk.ListIndex() != -1) {
        bool isNumber = false;
        const double t = SykFile::ParseSykTime(SykFile::SplitEntry(List_Syk.Text()).time, &isNumber);
        if (isNumber && t == 0 && IsPlaying && !RecBusy && any)
            Label_Space.setVisible(true);
    }
    if (!RecBusy && !IsPlaying && any) {
        Label_Z.setVisible(true);
        Label_2Click.setVisible(true);
    }
}

void Record::List_Syk_LostFocus()
{
    Label_Z.setVisible(false);
    Label_2Click.setVisible(false);
    Label_Space.setVisible(false);
}

// ---- Apply, Add, Delete ----------------------------------------------------------

void Record::Command_MAJ_Click()
{
    if (!EditingAllowed())
        return;
    const std::string selected = List_Syk.Text();
    if (SykFile::IsDisplayEntry(selected)) {
        // A display line is edited in the colour line dialog.
        record_ColorSet().ShowColorLine(selected);
        return;
    }
    if (!fieldsReadyForList(*this))
        return;
    RecModified = true;
    const int i = List_Syk.ListIndex();
    if (Check_NLigne.Value() != 1 && i == List_Syk.ListCount() - 1) {
        lastEntryMessage();
        return;
    }
    const std::string entry = EntryFromFields();
    if (i == -1)
        return;
    List_Syk.setList(i, entry);
    // The entry stays selected: show it as it was stored.
    List_Syk_Click();
}

void Record::Command_Ins_Click()
{
    if (!EditingAllowed())
        return;
    RecModified = true;
    if (SykFile::IsDisplayEntry(List_Syk.Text())) {
        // The new entry goes after the display line, built from the entry
        // that follows it; a display line at the end keeps the selection.
        const int next = List_Syk.ListIndex() + 1;
        if (next < List_Syk.ListCount())
            List_Syk.setListIndex(next);
    }
    // The same rules as Apply.
    if (!fieldsReadyForList(*this))
        return;
    const std::string entry = EntryFromFields();
    const int i = List_Syk.ListIndex();
    List_Syk.AddItem(entry, i == -1 ? 0 : i);
}

void Record::Command_Supp_Click()
{
    if (!EditingAllowed())
        return;
    RecModified = true;
    RecBusy = true;
    const int i = List_Syk.ListIndex();
    if (i != -1) {
        List_Syk.RemoveItem(i);
        List_Syk.setListIndex(i < List_Syk.ListCount() ? i : -1);
        if (i == List_Syk.ListCount()) {
            // The last entry went: the new last one must close its line.
            const int last = List_Syk.ListCount() - 1;
            List_Syk.setListIndex(last);
            List_Syk.SetFocus();
            const std::string text = List_Syk.Text();
            if (last >= 0 && !text.empty() && text.back() != '_' && !SykFile::IsDisplayEntry(text)) {
                List_Syk.RemoveItem(last);
                List_Syk.AddItem(text + "_");
            }
            if (List_Syk.ListCount() > 0)
                List_Syk.setListIndex(List_Syk.ListCount() - 1);
        }
    }
    RecBusy = false;
}

// ---- clearing --------------------------------------------------------------------

void Record::Command_ClsSyk_Click()
{
    if (!EditingAllowed())
        return;
    List_Syk.Clear();
    Text_TestSyk.setText("");
    Text_Syk.setText("");
    Text_time.setText("");
}

void Record::Command_ClsTime_Click()
{
    if (!EditingAllowed())
        return;
    const int start = RecCtrlMode ? List_Syk.ListIndex() : 0;
    List_Syk.SetFocus();
    RecBusy = true;
    const int count = List_Syk.ListCount();
    auto finish = [this] {
        RecBusy = false;
        RecCtrlMode = false;
        Label_Ctrl.setVisible(false);
    };
    if (count == 0) {
        finish();
        return;
    }
    RecModified = true;
    if (start < 0) {
        finish();
        return;
    }
    for (int i = start; i < count; ++i) {
        List_Syk.setListIndex(i);
        const std::string e = List_Syk.List(i);
        if (SykFile::IsDisplayEntry(e))
            continue;
        const SykFile::EntryParts parts = SykFile::SplitEntry(e);
        if (!parts.hasSeparator) {
            // An entry that is no syllable;time pair stops the walk here.
            finish();
            return;
        }
        List_Syk.setList(i, parts.syllable + ";0" + (parts.lineEnd ? "_" : ""));
    }
    // Selected while still busy: the fields keep what they showed.
    List_Syk.setListIndex(0);
    finish();
}

// ---- Ctrl mode and keys ----------------------------------------------------------

void Record::CtrlMode_KeyDown(int& KeyCode, int Shift)
{
    if (KeyCode == kKeyCtrl && Shift == kCtrlMask) {
        RecCtrlMode = true;
        Label_Ctrl.setVisible(true);
    }
}

void Record::CtrlMode_KeyUp(int& KeyCode, int Shift)
{
    (void)KeyCode;
    (void)Shift;
    RecCtrlMode = false;
    Label_Ctrl.setVisible(false);
}

void Record::List_Syk_KeyPress(int& KeyAscii)
{
    if (List_Syk.ListCount() == 0)
        return;
    if (RecCtrlMode) {
        if (KeyAscii != 127)
            return;
        // Ctrl+Backspace: sweep out the entries with an empty syllable; the
        // last entry is never looked at.
        RecModified = true;
        for (int i = 0; i < List_Syk.ListCount() - 1; ++i) {
            const std::string e = List_Syk.List(i);
            if (!SykFile::IsDisplayEntry(e) && !e.empty() && e.front() == ';') {
                List_Syk.RemoveItem(i);
                --i;
            }
        }
        DoEvents();
        if (unloading())
            return;
        List_Syk.setListIndex(0);
    }
    if (SykFile::IsDisplayEntry(List_Syk.Text())) {
        const int next = List_Syk.ListIndex() + 1;
        if (next < List_Syk.ListCount())
            List_Syk.setListIndex(next);
        return;
    }
    if (KeyAscii == 13) {
        if (IsPlaying)
            Command_Stop_Click();
        else
            List_Syk_DblClick();
    } else if (KeyAscii == 32) {
        if (IsPlaying)
            Command_Capture_Click();
    }
    if (KeyAscii != '.') {
        KeyAscii = 0;
        return;
    }
    // "." resets the time of the selected entry and moves on to the next.
    RecModified = true;
    Text_time.setText("0");
    const std::string entry = EntryFromFields();
    const int i = List_Syk.ListIndex();
    if (i == -1)
        return;
    List_Syk.setList(i, entry);
    List_Syk.setListIndex(i + 1 < List_Syk.ListCount() ? i + 1 : -1);
    KeyAscii = 0;
}
