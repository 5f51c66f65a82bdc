// A click on a list row makes it the current song; a double-click plays it.
#include "core/modini.h"
#include "core/player.h"
#include "platform/files/paths.h"
#include "platform/forms/prompter.h"
#include "playlist/playlistrow.h"

void Player::ListView1_Click()
{
    ListItem* item = ListView1.SelectedItem();
    if (!item)
        return;   // a click beside the rows: the current song stays
    // The rows' layout, not the tab, says where the path is: the add mode
    // shows a folder's files while the play-list tab stays selected.
    if (PlayListTabName == "DirList")
        Select_Song.setText(paths::withTrailingSlash(Dir1.Path()) + item->Text());
    else
        Select_Song.setText(item->SubItems(PlayList::ColPath));
}

void Player::ListView1_DblClick()
{
    const std::string song = Select_Song.Text();
    if (!modIni::FileExists(song)) {
        const bool fr = modIni::Langue == "Fr";
        MsgBox(fr ? "Fichier Introuvable" : "File not found", vbOKOnly + vbQuestion, fr ? "Attention" : "Warning");
        if (ListItem* item = ListView1.SelectedItem())
            item->setSmallIcon(PlayList::IconStop);
        return;   // a song that plays goes on playing
    }
    if (modIni::IsPlaying)
        Command_Stop_Click();
    Command_Play_Click();
}
