#pragma once
// "Enregistrer Syk": where the editor's list goes (the default sync folder or
// the song's folder), which file (the main .syk or the echo .sy1), and the
// default sync folder itself. Modeless: the editor's list is read only when
// Save is clicked.
#include <string>

#include "platform/forms/controls.h"
#include "platform/forms/form.h"

class Record_Save : public Form {
public:
    Record_Save();

    TextBox Text_PathSyk{this};        // target in the default sync folder
    TextBox Text_PathMp3{this};        // target in the song's folder
    CheckBox Check_SaveRepCfg{this};   // save in the default sync folder
    Label Label_SaveRepCfg{this};
    CheckBox Check_SaveRepCh{this};    // save in the song's folder
    Label Label_SaveRepCh{this};
    CheckBox Check_SaveSyk{this};      // the main .syk file
    Label Label_SaveSyk{this};
    CheckBox Check_SaveSy1{this};      // the .sy1 echo file
    Label Label_SaveSy1{this};
    CommandButton Command_ModifPathSyk{this};
    CommandButton Command_Save{this};
    CommandButton Command_Cancel{this};
    Line Line1{this};

    void Form_Load() override;
    void Form_Resize() override;
    void Check_SaveRepCfg_Click();
    void Check_SaveRepCh_Click();
    void Check_SaveSyk_Click();
    void Check_SaveSy1_Click();
    void Label_SaveRepCfg_Click();
    void Label_SaveRepCh_Click();
    void Label_SaveSyk_Click();
    void Label_SaveSy1_Click();
    void Command_ModifPathSyk_Click();
    void Command_Save_Click();
    void Command_Cancel_Click();

    // The folder picker owned by the dialog; "" when cancelled.
    std::string BrowseFolder();

private:
    // Sets the last character of both target paths ("1" for .sy1, "k" for .syk).
    void SetPathEnding(char c);
};

// The dialog's default instance, created and loaded on first use.
Record_Save& record_Save();
bool Record_SaveLoaded();

namespace SykFile {
// The sync file name of a song file name: its last three characters replaced
// by `ext` ("syk" or "sy1"); a name shorter than that gets "." + ext.
std::string SyncNameOf(const std::string& songName, const std::string& ext);
} // namespace SykFile
