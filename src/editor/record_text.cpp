// The editor's lyric text pane: the user types or opens the song's lyrics,
// marks the syllables with hyphens, and converts the text (or, in Ctrl mode,
// the selected part of it) into timing-list entries with a zero time, inserted
// after the selected entry. The pane loads from and saves to plain text files.
#include "editor/record.h"

#include <string>
#include <vector>

#include "core/modini.h"
#include "core/player.h"
#include "editor/syncwriter.h"
#include "editor/textconvert.h"
#include "platform/files/runtime.h"
#include "platform/files/textfile.h"
#include "platform/forms/prompter.h"

using namespace modIni;

void Record::Command_compil_Click()
{
    if (RecBusy || IsPlaying || RecordLock != 0 || Text_TXT.Text().empty())
        return;
    // The selection is read before the text is tidied, so that it is the
    // part the user chose.
    const std::string selected = RecCtrlMode ? Text_TXT.SelText() : std::string();
    RecModified = true;
    int ins = List_Syk.ListIndex() < 0 ? 0 : List_Syk.ListIndex() + 1;
    Text_TXT.setText(textconvert::normaliseLyricText(Text_TXT.Text()));

    std::vector<std::string> entries;
    const bool atBlanks = Check_ChkBlank.Value() == 1;
    if (RecCtrlMode) {
        if (selected.empty())
            return;
        RecCtrlMode = false;
        Label_Ctrl.setVisible(false);
        // The selection is cleaned as the whole text is, or a blank before a
        // line break would become an empty lyric line and take the line end.
        entries = textconvert::textToEntries(textconvert::normaliseSelectedText(selected), atBlanks, true);
    } else {
        entries = textconvert::textToEntries(Text_TXT.Text(), atBlanks, false);
    }
    for (const std::string& e : entries)
        List_Syk.AddItem(e, ins++);

    // The list ends with a line end, or its last syllables would not be saved.
    const int count = List_Syk.ListCount();
    if (count > 0) {
        const std::string last = List_Syk.List(count - 1);
        if (!SykFile::IsDisplayEntry(last) && (last.empty() || last.back() != '_'))
            List_Syk.setList(count - 1, last + "_");
    }
}

void Record::Text_TXT_GotFocus() { Label_Tiret.setVisible(true); }

void Record::Text_TXT_LostFocus() { Label_Tiret.setVisible(false); }

namespace {

std::string chooseTextFile(bool save)
{
    FileDialogOptions o;
    o.filter = "Texte (*.txt)|*.txt";
    o.initDir = GetFilePath(player().Select_Song.Text());
    if (save)
        o.flags = cdlOFNOverwritePrompt;
    const auto chosen = save ? prompter().saveFile(o) : prompter().openFile(o);
    return vb::Trim(chosen.value_or(""));
}

} // namespace

void Record::Command_OpenTXT_Click()
{
    if (IsPlaying || RecBusy || RecordLock != 0)
        return;
    const std::string name = chooseTextFile(false);
    if (name.empty())
        return;
    Text_TXT.setText("");
    LoadText(Text_TXT, name);
}

void Record::Command_SaveTXT_Click()
{
    if (IsPlaying || RecBusy || RecordLock != 0)
        return;
    const std::string name = chooseTextFile(true);
    if (name.empty())
        return;
    SaveText(Text_TXT, name);
}

void Record::LoadText(TextBox& box, const std::string& path)
{
    const auto lines = textfile::readLines(path);
    if (!lines) {
        const bool fr = Langue == "Fr";
        MsgBox(fr ? "Fichier introuvable" : "File Not Found", vbOKOnly, fr ? "Erreur" : "Error");
        return;
    }
    std::string text;
    for (const std::string& line : *lines) {
        text += line;
        text += "\r\n";
    }
    box.setText(text);
}

void Record::SaveText(TextBox& box, const std::string& path)
{
    // One line end closes the text; a text that has one already gets no
    // second (which would add an empty lyric line at every save and open).
    std::string text = box.Text();
    if (text.empty() || text.back() != '\n')
        text += "\r\n";
    if (!textfile::writeText(path, text)) {
        const bool fr = Langue == "Fr";
        MsgBox(fr ? "Une erreur s'est produite!" : "An error occured!", vbOKOnly, fr ? "Erreur" : "Error");
    }
}
