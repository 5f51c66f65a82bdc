// The editor's sync file commands (open a .syk / .sy1 into the list, open the
// save dialog), the editor's loader, and the save dialog with its writer.
#include "editor/recordsave.h"

#include "core/modini.h"
#include "core/player.h"
#include "core/theme.h"
#include "core/uihelpers.h"
#include "editor/record.h"
#include "editor/syncwriter.h"
#include "platform/files/paths.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "playlist/syncmarks.h"

using namespace modIni;

Record_Save& record_Save() { return formInstance<Record_Save>(); }
bool Record_SaveLoaded() { return isLoaded<Record_Save>(); }

namespace SykFile {

std::string SyncNameOf(const std::string& songName, const std::string& ext)
{
    // The same rule as the sync-file lookup, so a saved file is found again.
    const std::size_t n = vb::Len(songName);
    return vb::Left(songName, static_cast<long>(n >= 3 ? n - 3 : 0)) + ext;
}

} // namespace SykFile

namespace {

bool french() { return Langue == "Fr"; }

// [Path] "Path Syk" with its final separator.
std::string syncFolder()
{
    std::string folder = IniAccess("GET", "Path", "Path Syk");
    if (!folder.empty() && !paths::isSeparator(folder.back()))
        folder += '/';
    return folder;
}

// The file name of the song being edited, as the editor's own box holds it.
std::string editedSongName()
{
    if (RecordLoaded())
        return record().Select_Song.Text();
    return GetFileName(player().Select_Song.Text());
}

constexpr long kButtonText = 0x80000012;
constexpr long kGreyText = 8421504;

} // namespace

// ---- the editor's side -----------------------------------------------------

void Record::GetSykPath()
{
    RecSykFolder = IniAccess("GET", "Path", "Path Syk");
    RecSongFileName = GetFileName(player().Select_Song.Text());
}

void Record::LoadSykFile()
{
    List_Syk.Clear();
    SykFile::ReadResult r = SykFile::ReadSykEntries(RecSykPath);
    // Times finer than the millisecond (files of other programs) are shown,
    // and saved again, as the editor writes times.
    for (const std::string& e : r.entries)
        List_Syk.AddItem(SykFile::ReadableEntry(e));
    RecSykUnread.clear();
    if (r.ok)
        return;
    if (!FileExists(RecSykPath)) {
        if (french())
            MsgBox("Fichier introuvable", vbOKOnly, "Erreur");
        else
            MsgBox("File Not Found", vbOKOnly, "Error");
        return;
    }
    // The file is there but the list does not hold all of it: saving the list
    // over it would lose the rest, so a save to it asks first.
    RecSykUnread = RecSykPath;
    if (r.problem.kind == SykFile::ReadProblem::TooLarge)
        MsgBox(SykFile::ReadProblemText(r.problem, RecSykPath, french()), vbOKOnly + vbExclamation,
               french() ? "Erreur" : "Error");
    else if (french())
        MsgBox("Le fichier " + RecSykPath + " n'a pas pu être lu en entier : la liste n'en contient que la partie lue.",
               vbOKOnly + vbExclamation, "Erreur");
    else
        MsgBox("The file " + RecSykPath + " could not be read whole: the list holds only the part that was read.",
               vbOKOnly + vbExclamation, "Error");
}

void Record::Command_OpenSyk_Click()
{
    if (IsPlaying || RecBusy || RecordLock != 0)
        return;
    const std::string song = player().Select_Song.Text();
    const std::string folder = syncFolder();
    const std::string guess = SykFile::SyncNameOf(GetFileName(song), "syk");

    FileDialogOptions o;
    o.filter = "Syk Files (*.syk,*.sy1)|*.syk;*.sy1";
    o.flags = cdlOFNFileMustExist;
    if (FileExists(folder + guess))
        o.initDir = folder;
    else if (!song.empty() && FileExists(SykFile::SyncNameOf(song, "syk")))
        o.initDir = GetFilePath(song);
    else
        o.initDir = folder;
    const std::string chosen = vb::Trim(prompter().openFile(o).value_or(""));
    if (chosen.empty())
        return;

    // Replacing the list drops what has not been saved: ask first.
    if (RecModified) {
        const int answer =
            french() ? MsgBox("Vous n'avez pas enregistré!! Remplacer la liste ?", vbOKCancel + vbQuestion, "Attention")
                     : MsgBox("You did not save!! Replace the list ?", vbOKCancel + vbQuestion, "Warning");
        if (answer != vbOK)
            return;
    }
    RecSykPath = chosen;
    LoadSykFile();
    RecModified = false;
}

void Record::Command_SaveSyk_Click()
{
    // A save either happens or says why not.
    if (RecordLock != 0)
        return;
    if (IsPlaying || RecBusy) {
        MsgMustStop();
        return;
    }
    if (player().Select_Song.Text().empty()) {
        MsgBox(french() ? "Vous devez sélectionner un fichier de musique." : "You must select a music file.", vbOKOnly);
        return;
    }
    // The unsaved mark is cleared by a successful write, not by opening the
    // dialog: a cancelled dialog must still leave the question on closing.
    record_Save().Show();
}

// ---- the dialog ---------------------------------------------------------------

Record_Save::Record_Save()
{
    setCaption("Enregistrer Syk");
    setBorderStyle(3);
    setMinButton(false);
    setMaxButton(false);
    setScaleWidth(6960);
    setScaleHeight(2940);

    Check_SaveRepCfg.Move(120, 150, 195, 195);
    Label_SaveRepCfg.Move(400, 120, 5400, 255);
    Text_PathSyk.Move(400, 420, 5400, 285);
    Command_ModifPathSyk.Move(5920, 420, 915, 285);
    Check_SaveRepCh.Move(120, 870, 195, 195);
    Label_SaveRepCh.Move(400, 840, 5400, 255);
    Text_PathMp3.Move(400, 1140, 5400, 285);
    Line1.setX1(120);
    Line1.setY1(1590);
    Line1.setX2(6840);
    Line1.setY2(1590);
    Check_SaveSyk.Move(120, 1740, 195, 195);
    Label_SaveSyk.Move(400, 1710, 6400, 255);
    Check_SaveSy1.Move(120, 2040, 195, 195);
    Label_SaveSy1.Move(400, 2010, 6400, 255);
    Command_Save.Move(4680, 2460, 1000, 375);
    Command_Cancel.Move(5835, 2460, 1000, 375);

    Label_SaveRepCfg.setCaption("Enregistrer dans le répertoire par défaut.");
    Label_SaveRepCh.setCaption("Enregistrer dans le répertoire de la chanson .");
    Label_SaveSyk.setCaption(".Syk (Fichier de synchronisation principal)");
    Label_SaveSy1.setCaption(".sy1 (Pour créer un 2ième fichier de syncro afin de générer un effet canon)");
    Command_ModifPathSyk.setCaption("Modifier");
    Command_Save.setCaption("Sauver");
    Command_Cancel.setCaption("Annuller");
    for (Label* l : {&Label_SaveRepCfg, &Label_SaveRepCh, &Label_SaveSyk, &Label_SaveSy1}) {
        l->setBackStyle(0);
        l->clickOnMouseRelease(true);
    }

    // Design state: the default folder and the main file are chosen.
    Check_SaveRepCfg.setValue(1);
    Check_SaveSyk.setValue(1);
    Text_PathMp3.setEnabled(false);
    // Return in a path field (or on a check box) saves, exactly as a click on
    // Save; Escape cancels.
    Command_Save.setDefault(true);
    setCancelButton(&Command_Cancel);

    Check_SaveRepCfg.onClick([this] { Check_SaveRepCfg_Click(); });
    Check_SaveRepCh.onClick([this] { Check_SaveRepCh_Click(); });
    Check_SaveSyk.onClick([this] { Check_SaveSyk_Click(); });
    Check_SaveSy1.onClick([this] { Check_SaveSy1_Click(); });
    Label_SaveRepCfg.onClick([this] { Label_SaveRepCfg_Click(); });
    Label_SaveRepCh.onClick([this] { Label_SaveRepCh_Click(); });
    Label_SaveSyk.onClick([this] { Label_SaveSyk_Click(); });
    Label_SaveSy1.onClick([this] { Label_SaveSy1_Click(); });
    Command_ModifPathSyk.onClick([this] { Command_ModifPathSyk_Click(); });
    Command_Save.onClick([this] { Command_Save_Click(); });
    Command_Cancel.onClick([this] { Command_Cancel_Click(); });
}

void Record_Save::Form_Load()
{
    CenterForm(*this);
    const std::string song = player().Select_Song.Text();
    const std::string folder = syncFolder();
    const std::string guess = SykFile::SyncNameOf(GetFileName(song), "syk");

    // Preselect where the song's sync file already lies; an echo file can
    // only be made once a main file exists.
    const std::string found = FindSykFile(song);
    if (!found.empty() && (FileExists(folder + guess) || GetFilePath(found) == folder)) {
        Check_SaveRepCfg.setValue(1);
        Label_SaveSy1.setForeColor(kButtonText);
    } else if (!found.empty()) {
        Check_SaveRepCh.setValue(1);
        Label_SaveSy1.setForeColor(kButtonText);
    } else {
        Check_SaveRepCfg.setValue(1);
        Check_SaveSy1.setEnabled(false);
        Label_SaveSy1.setForeColor(kGreyText);
    }

    const std::string stem = SykFile::SyncNameOf(editedSongName(), "syk");
    Text_PathSyk.setText(folder + stem);
    Text_PathMp3.setText(GetFilePath(song) + stem);

    ApplyDialogColors(*this, {}, {&Text_PathSyk, &Text_PathMp3},
                      {&Command_Save, &Command_Cancel, &Command_ModifPathSyk});

    if (Langue == "En") {
        setCaption("Save Syk");
        Label_SaveRepCfg.setCaption("Save to the default .Syk directory");
        Label_SaveRepCh.setCaption("Save to the music file path");
        Label_SaveSyk.setCaption(".Syk (Primery synchronisation file)");
        Label_SaveSy1.setCaption(".sy1 (Create a second syncro file for echo song)");
        Command_ModifPathSyk.setCaption("Modify");
        Command_Save.setCaption("Save");
        Command_Cancel.setCaption("Cancel");
    }
}

void Record_Save::Form_Resize() { TileFormBackground(*this); }

void Record_Save::Check_SaveRepCfg_Click()
{
    if (Check_SaveRepCfg.Value() == 1) {
        Check_SaveRepCh.setValue(0);
        Text_PathSyk.setEnabled(true);
        Text_PathMp3.setEnabled(false);
    } else {
        Check_SaveRepCh.setValue(1);
        Text_PathSyk.setEnabled(false);
        Text_PathMp3.setEnabled(true);
    }
}

void Record_Save::Check_SaveRepCh_Click() { Check_SaveRepCfg.setValue(Check_SaveRepCh.Value() == 1 ? 0 : 1); }

void Record_Save::SetPathEnding(char c)
{
    for (TextBox* t : {&Text_PathSyk, &Text_PathMp3}) {
        std::string s = t->Text();
        if (s.empty())
            continue;  // nothing to turn into .syk or .sy1
        s.back() = c;
        t->setText(s);
    }
}

void Record_Save::Check_SaveSy1_Click()
{
    if (Check_SaveSy1.Value() == 1) {
        Check_SaveSyk.setValue(0);
        SetPathEnding('1');
    } else {
        Check_SaveSyk.setValue(1);
    }
}

void Record_Save::Check_SaveSyk_Click()
{
    if (!Check_SaveSy1.Enabled()) {
        Check_SaveSyk.setValue(1);
        return;
    }
    if (Check_SaveSyk.Value() == 0) {
        Check_SaveSy1.setValue(1);
        SetPathEnding('1');
    } else {
        Check_SaveSy1.setValue(0);
        SetPathEnding('k');
    }
}

void Record_Save::Label_SaveRepCfg_Click() { Check_SaveRepCfg.setValue(Check_SaveRepCfg.Value() == 1 ? 0 : 1); }
void Record_Save::Label_SaveRepCh_Click() { Check_SaveRepCh.setValue(Check_SaveRepCh.Value() == 1 ? 0 : 1); }
void Record_Save::Label_SaveSyk_Click() { Check_SaveSyk.setValue(Check_SaveSyk.Value() == 1 ? 0 : 1); }
void Record_Save::Label_SaveSy1_Click()
{
    if (Check_SaveSy1.Enabled())
        Check_SaveSy1.setValue(Check_SaveSy1.Value() == 1 ? 0 : 1);
}

std::string Record_Save::BrowseFolder()
{
    const std::string title =
        Langue == "En" ? "This will change .Syk default directory in the configuration\r\nSelect Directory:"
                       : "Ceci va changer le répertoire par defaut des .syk dans la configuration\r\n"
                         "Sélectionner le répertoire:";
    std::string folder = prompter().browseFolder(title, syncFolder()).value_or("");
    // The platform's answer stops at its first NUL character.
    const std::size_t nul = folder.find('\0');
    if (nul != std::string::npos)
        folder.resize(nul);
    return folder;
}

void Record_Save::Command_ModifPathSyk_Click()
{
    const std::string folder = BrowseFolder();
    if (folder.empty())
        return;
    IniAccess("WRITE", "Path", "Path Syk", paths::withTrailingSlash(folder));
    PathSyk = IniAccess("GET", "Path", "Path Syk");
    DoEvents();
    if (unloading())
        return;
    // The path keeps the file choice: a .sy1 chosen stays a .sy1 and can
    // never overwrite the main file by surprise.
    const std::string ext = Check_SaveSy1.Value() == 1 ? "sy1" : "syk";
    Text_PathSyk.setText(syncFolder() + SykFile::SyncNameOf(editedSongName(), ext));
}

void Record_Save::Command_Save_Click()
{
    const std::string target = Check_SaveRepCfg.Value() == 1 ? Text_PathSyk.Text() : Text_PathMp3.Text();
    auto failed = [this] {
        if (french())
            MsgBox("Une erreur s'est produite!", vbOKOnly, "Erreur");
        else
            MsgBox("An error occured!", vbOKOnly, "Error");
        Unload(*this);
    };
    // The list lives in the editor: without it there is nothing to save (and
    // an empty file must not replace a good one).
    if (!RecordLoaded() || target.empty() || paths::isSeparator(target.back())) {
        failed();
        return;
    }
    if (!Record::RecSykUnread.empty() && FileExists(target) && paths::sameFile(target, Record::RecSykUnread)) {
        const int answer =
            french() ? MsgBox("Le fichier -> " + target
                                  + " <- n'a pas pu être lu en entier à l'ouverture : la liste affichée n'en contient "
                                    "pas tout.\nRemplacer le fichier par la liste affichée ?",
                              vbOKCancel + vbExclamation, "Attention")
                     : MsgBox("The File -> " + target
                                  + " <- could not be read whole when it was opened: the list shown does not hold all "
                                    "of it.\nReplace the file with the list shown ?",
                              vbOKCancel + vbExclamation, "Warning");
        if (answer != vbOK)
            return;
        if (!RecordLoaded() || unloading())
            return;
    } else if (FileExists(target)) {
        const int answer =
            french() ? MsgBox("Le fichier -> " + target + " <- existe déjà\nVoulez-vous le remplacer ?\n",
                              vbOKCancel + vbQuestion, "Attention")
                     : MsgBox("The File -> " + target + " <- already exits\nDo you want to replace it ?\n",
                              vbOKCancel + vbQuestion, "Warning");
        if (answer != vbOK)
            return;
        if (!RecordLoaded() || unloading())
            return;
    }

    Record& r = record();
    std::vector<std::string> entries;
    const int count = r.List_Syk.ListCount();
    entries.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        entries.push_back(r.List_Syk.List(i));
    if (!SykFile::WriteSykFile(target, entries)) {
        const std::string why = LastSaveFailureReason();
        if (french())
            MsgBox("Une erreur s'est produite!\n" + target + " : " + why, vbOKOnly, "Erreur");
        else
            MsgBox("An error occured!\n" + target + ": " + why, vbOKOnly, "Error");
        Unload(*this);
        return;
    }
    if (paths::sameFile(target, Record::RecSykUnread))
        Record::RecSykUnread.clear();
    Record::RecModified = false;
    // The lists show the song's new sync state before the user is told.
    if (isLoaded<Player>())
        PlayList::RefreshSyncMarks(player(), target);
    MsgBox(french() ? "Terminé..." : "Done...", vbOKOnly, "");
    Unload(*this);
}

void Record_Save::Command_Cancel_Click() { Unload(*this); }
