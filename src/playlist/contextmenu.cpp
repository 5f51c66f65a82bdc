// The list's context menu: the view and grid-line entries (see ordering.cpp)
// and four row commands: add a folder file to the play-list file, remove a
// row from the play list, read a row's tags, edit a row.
#include "core/modini.h"
#include "core/player.h"
#include "core/uihelpers.h"
#include "platform/files/paths.h"
#include "platform/files/runtime.h"
#include "platform/files/textfile.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "playlist/playlistrow.h"
#include "playlist/playlistview.h"
#include "playlist/songtag.h"

#include <algorithm>

using namespace PlayList;

namespace {

bool french() { return modIni::Langue == "Fr"; }

// The row commands act on play-list rows (or, for the add, on folder rows) and
// never while a selection mode shows other rows in the list.
bool showsPlayList(const Player& w)
{
    return ListMode.empty() && modIni::PlayListTab == 1 && w.PlayListTabName == "PlayList";
}
bool showsFolder(const Player& w)
{
    return ListMode.empty() && modIni::PlayListTab == 0 && w.PlayListTabName == "DirList";
}

// Appends one line to a play-list file: the old lines stay byte for byte (a
// UTF-16 list aside, see below), a last line without its line end gets one
// first (the new line would join it), and the file is written beside and
// renamed, so a failed write loses nothing.
bool appendLstLine(const std::string& path, const std::string& line, std::string* why)
{
    std::string bytes;
    if (paths::isFile(path)) {
        const auto old = textfile::readBytes(path);
        if (!old) {
            // Without its lines the file would be written holding only the new one.
            if (why)
                *why = french() ? "la liste n'a pas pu être lue." : "the list could not be read.";
            return false;
        }
        bytes = *old;
    }
    // A list that a Windows editor saved as "Unicode" (UTF-16) cannot take a
    // line in another encoding: it is written again whole, in the encoding
    // the program writes, every row kept and the new one at its end.
    if (const auto text = textfile::utf16ToUtf8(bytes)) {
        std::vector<std::string> lines = textfile::splitLines(*text);
        lines.push_back(line);
        if (textfile::writeLines(path, lines))
            return true;
        if (why)
            *why = modIni::LastSaveFailureReason();
        return false;
    }
    if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r')
        bytes += "\r\n";
    // The new line takes the file's encoding: UTF-8 for a file that has UTF-8
    // text already, else Windows-1252 when the line fits in it.
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    const bool utf8 = !ascii && textfile::isValidUtf8(bytes);
    if (utf8) {
        bytes += line;
    } else if (const auto cp = textfile::utf8ToCp1252(line)) {
        bytes += *cp;
    } else {
        // A Windows-1252 file cannot hold the line: the whole file goes UTF-8.
        if (textfile::writeText(path, textfile::decode(bytes) + line + "\r\n"))
            return true;
        if (why)
            *why = modIni::LastSaveFailureReason();
        return false;
    }
    bytes += "\r\n";
    if (textfile::saveBytesAtomic(path, bytes))
        return true;
    if (why)
        *why = modIni::LastSaveFailureReason();
    return false;
}

} // namespace

void Player::ListView1_MouseUp(int Button, int Shift, float X, float Y)
{
    (void)Shift;
    (void)X;
    (void)Y;
    if (Button != vbRightButton)
        return;
    // While a mode shows ticked rows, the row commands would act on rows that
    // are not what they expect (a folder's files in the play-list tab).
    const bool rowCommands = ListMode.empty();
    mnuEdit[0].setEnabled(rowCommands);
    mnuDetect[0].setEnabled(rowCommands);
    mnuDeleteToPlayList[0].setEnabled(rowCommands);
    mnuAddtoPlayList[0].setEnabled(rowCommands);
    PopupMenu(popFeatures);
}

void Player::mnuAddtoPlayList_Click(int Index)
{
    (void)Index;
    if (!showsFolder(*this))
        return;
    // Nothing to add (a folder without songs): the user is asked to choose a
    // song, whatever song is current, and no list is made or written.
    const ListItem* item = ListView1.SelectedItem();
    if (!item) {
        MsgBox(modIni::SelectSongText(), vbOKOnly);
        return;
    }
    // Until the list tab is first shown, a first start names no list: the song
    // goes to the one that tab opens on.
    if (modIni::PathLst.empty())
        modIni::PathLst = modIni::IniAccess("GET", "Path", "Path Lst");
    if (modIni::PathLst.empty())
        AdoptDefaultList();
    const std::string& name = item->Text();
    const std::string path = paths::withTrailingSlash(modIni::LastDirList) + name;
    if (const Unstorable why = unstorableInList(path); why == Unstorable::Semicolon) {
        // The ".lst" line would be cut in two at the next load.
        MsgBox(french() ? "Le nom de ce fichier contient « ; » : il ne peut pas être ajouté à la Liste de Sélection."
                        : "This file name contains \";\": it cannot be added to the Play List.",
               vbOKOnly + vbExclamation, french() ? "Attention" : "Warning");
        return;
    } else if (why == Unstorable::LineBreak) {
        // Written as it is, the row would become two lines of the list.
        MsgBox((french() ? "Le nom de ce fichier contient un saut de ligne : il ne peut pas être ajouté à la Liste de "
                           "Sélection.\n"
                         : "This file name contains a line break: it cannot be added to the Play List.\n")
                   + oneLineName(name),
               vbOKOnly + vbExclamation, french() ? "Attention" : "Warning");
        return;
    }
    const std::string flag = modIni::FindSykFile(path).empty() ? "N" : (modIni::Langue == "En" ? "Y" : "O");
    const std::string title = nameAsText(vb::Left(name, static_cast<long>(vb::Len(name)) - 4));
    const std::string line = sanitizeField(title) + ";;;" + sanitizeField(item->SubItems(2)) + ";" + path + ";" + flag;
    // The user hears why the song was not added (a read-only list, a full disk).
    if (std::string why; !appendLstLine(modIni::PathLst, line, &why))
        modIni::MsgSaveFailed(modIni::PathLst, why);
}

void Player::mnuDeleteToPlayList_Click(int Index)
{
    (void)Index;
    if (!showsPlayList(*this) || ListBusy)
        return;
    const int count = ListView1.ListItems.Count();
    const ListItem* selected = ListView1.SelectedItem();
    if (count == 0 || !selected)
        return;
    setMousePointer(vbArrowHourglass);
    modIni::PlayListModified = true;
    const int k = selected->Index();
    ListView2.ListItems.Clear();
    ListView2.BeginUpdate();
    for (int i = 1; i <= count; ++i) {
        if (i == k)
            continue;
        if (const ListItem* item = ListView1.ListItems.Item(i))
            copyRow(ListView2, *item, "");
    }
    ListView2.EndUpdate();
    ListView1.ListItems.Clear();
    RestorePlayList();
    ListView2.ListItems.Clear();
    setMousePointer(vbDefault);
}

void Player::mnuDetect_Click(int Index)
{
    (void)Index;
    if (!showsPlayList(*this))
        return;
    ListItem* item = ListView1.SelectedItem();
    if (ListView1.ListItems.Count() == 0 || !item)
        return;
    const std::string path = item->SubItems(ColPath);
    Select_Song.setText(path);
    modIni::PlayListModified = true;
    ReadSongTag(path);
    if (!SongTag[1].empty()) {
        item->setText(SongTag[1]);
        item->setSubItems(ColArtist, SongTag[2]);
    }
}

void Player::mnuEdit_Click(int Index)
{
    (void)Index;
    if (showsPlayList(*this))
        Command_Edit_Click();
}
