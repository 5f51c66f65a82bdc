// The play list in the main window: its columns, the hidden copy list, and
// the ".lst" file behind it (load, save, the save question, Open, Save,
// Save as).
#include "core/modini.h"
#include "core/player.h"
#include "core/uihelpers.h"
#include "platform/files/paths.h"
#include "platform/files/textfile.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "playlist/playlistrow.h"
#include "playlist/playlistview.h"
#include "playlist/syncfinder.h"

#include <algorithm>
#include <climits>

using namespace PlayList;

namespace {

bool french() { return modIni::Langue == "Fr"; }

// Rows added between two looks at pending events: a list of ten thousand
// songs keeps the window alive without spending its time repainting.
constexpr int RowsPerBatch = 250;

const char* ListFilter = "lst (*.lst)|*.lst";

// The list file whose last load failed: the rows on screen are not its
// contents, so Save and the question at quit never write over it; only a file
// chosen with Save as is written.
std::string unreadList;

bool isUnreadList(const std::string& path)
{
    return !unreadList.empty() && (path == unreadList || paths::sameFile(path, unreadList));
}

// The list file as it was when the list on screen was read from it or last
// written to it: another program, or another running player, may change it
// meanwhile, and a save must not drop those changes without a word.
std::string stampedList;
textfile::FileStamp listStamp;

void rememberListFile(const std::string& path, const textfile::FileStamp& stamp)
{
    stampedList = path;
    listStamp = stamp;
}

bool isStampedList(const std::string& path)
{
    return !stampedList.empty() && (path == stampedList || paths::sameFile(path, stampedList));
}

// A file that is gone holds nothing that a save could lose.
bool changedSinceRead(const std::string& path)
{
    if (!isStampedList(path))
        return false;
    const textfile::FileStamp now = textfile::fileStamp(path);
    return now.exists && !(now == listStamp);
}

// The rows on screen replaced by those of the list file "Path Lst" names, as
// read now: nothing on screen is left to save.
void readListFile(Player& w)
{
    w.ListView1.ListItems.Clear();
    w.SetPlayListColumns();
    w.LoadPlayList(modIni::PathLst);
    modIni::PlayListModified = false;
}

enum class ChangedList { Overwrite, Reloaded, Keep };

// The list file changed on disk since it was read: the user chooses, as in a
// desktop editor, between writing this list over it and reading it again.
// Reading again is offered only while the play list itself is on screen.
ChangedList askAboutChangedList(Player& w, const std::string& path)
{
    const bool fr = french();
    const bool canReload = ListMode.empty() && w.PlayListTabName != "DirList" && isStampedList(modIni::PathLst);
    // A list turned into a symbolic link is saved into the file the link
    // leads to, which may be any file of the user's: the question names it.
    const std::string target = textfile::fileStamp(path).linkTarget;
    const bool newLink = !target.empty() && target != listStamp.linkTarget;
    const std::string said =
        newLink ? (fr ? "La Liste de Sélection " + path + " est maintenant un lien symbolique vers " + target +
                            " : un autre programme l'a remplacée depuis qu'elle a été lue ; l'enregistrer écrit "
                            "dans ce fichier.\n"
                      : "The play list " + path + " is now a symbolic link to " + target +
                            ": another program replaced it since it was read; saving writes into that file.\n")
        : fr ? "La Liste de Sélection " + path + " a été modifiée par un autre programme depuis qu'elle a été lue.\n"
             : "The play list " + path + " was changed by another program since it was read.\n";
    const std::string title = fr ? "Attention" : "Warning";
    if (!canReload) {
        const int answer = MsgBox(said + (fr ? "L'enregistrer quand même ? Ses autres modifications seront perdues."
                                             : "Save over it anyway? Its other changes will be lost."),
                                  vbYesNo + vbExclamation + vbDefaultButton2, title);
        return answer == vbYes ? ChangedList::Overwrite : ChangedList::Keep;
    }
    const int answer =
        MsgBox(said + (fr ? "Oui : enregistrer cette liste à sa place (ses autres modifications sont perdues).\n"
                            "Non : la relire (les modifications faites ici sont perdues).\n"
                            "Annuler : ne rien changer."
                          : "Yes: save this list over it (its other changes are lost).\n"
                            "No: read it again (the changes made here are lost).\n"
                            "Cancel: change nothing."),
               vbYesNoCancel + vbExclamation + vbDefaultButton3, title);
    if (answer == vbYes)
        return ChangedList::Overwrite;
    if (answer != vbNo)
        return ChangedList::Keep;
    readListFile(w);
    return ChangedList::Reloaded;
}

void tellListNotReplaced(const std::string& path)
{
    if (french())
        MsgBox("La liste de sélection " + path
                   + " n'a pas pu être lue : elle n'est pas remplacée.\nChoisissez un fichier pour enregistrer la liste.",
               vbOKOnly + vbExclamation, "Attention");
    else
        MsgBox("The play list " + path + " could not be read: it is not replaced.\nChoose a file to save the list.",
               vbOKOnly + vbExclamation, "Warning");
}

} // namespace

// ---- columns and the hidden copy ----------------------------------------------

void Player::SetBufferColumns()
{
    ListView2.ColumnHeaders.Clear();
    const float width = static_cast<float>(ListView1.Width()) / 13.0f;
    for (int i = 1; i <= PlayListColumnCount; ++i)
        ListView2.ColumnHeaders.Add(0, "", "C" + std::to_string(i), width);
}

void Player::SetPlayListColumns()
{
    const auto& columns = playListColumns();
    const float width = static_cast<float>(ListView1.Width());
    ListView1.setVisible(false);
    ListView1.ColumnHeaders.Clear();
    for (int i = 0; i < 6; ++i) {
        const ColumnSpec& c = columns[static_cast<std::size_t>(i)];
        ListView1.ColumnHeaders.Add(0, "", french() ? c.textFr : c.textEn, width * static_cast<float>(c.percent) / 100.0f,
                                    c.align);
    }
    ListView1.setVisible(true);
    for (int i = 6; i < PlayListColumnCount; ++i)
        ListView1.ColumnHeaders.Add(0, "", columns[static_cast<std::size_t>(i)].textEn, 0.0f);
}

void Player::BackupPlayList()
{
    ListView2.ListItems.Clear();
    ListView2.BeginUpdate();
    for (int i = 1; i <= ListView1.ListItems.Count(); ++i)
        if (const ListItem* item = ListView1.ListItems.Item(i))
            copyRow(ListView2, *item, "");
    ListView2.EndUpdate();
}

void Player::RestorePlayList()
{
    ListView1.BeginUpdate();
    for (int i = 1; i <= ListView2.ListItems.Count(); ++i)
        if (const ListItem* item = ListView2.ListItems.Item(i))
            copyRow(ListView1, *item, iconKeyForRow(rowOf(*item)));
    ListView1.EndUpdate();
    ListView1.setVisible(true);
    Label_ItemCount.setCaption(itemCountText(static_cast<std::size_t>(ListView1.ListItems.Count()), modIni::Langue));
}

namespace {

// ---- busy notice ----------------------------------------------------------------

void ShowListNotice(Player& w)
{
    w.Text_Londing.Move(w.ListView1.Left() + w.ListView1.Width() / 2 - w.Text_Londing.Width() / 2,
                      w.ListView1.Top() + w.ListView1.Height() / 2 - w.Text_Londing.Height() / 2);
    w.Text_Londing.setVisible(true);
    w.Text_Londing.ZOrder(0);
}

void ShowListProgress(Player& w, int done, int total)
{
    // The song's progress bar is borrowed only while no song plays: the
    // playback clock owns it otherwise.
    if (modIni::IsPlaying || total <= 0)
        return;
    if (done <= 0) {
        w.ProgressBar1.setMin(0);
        w.ProgressBar1.setMax(total);
    }
    w.ProgressBar1.setValue(std::clamp(done, 0, total));
}

void EndListProgress(Player& w)
{
    if (!modIni::IsPlaying)
        w.ProgressBar1.setValue(w.ProgressBar1.Min());
}

bool PlayListRows(Player& w, std::vector<PlayListRow>& rows)
{
    if (w.PlayListTabName != "DirList") {
        rows = rowsOf(w.ListView1);
        return true;
    }
    // While the add mode shows a folder, the play list waits in the copy list.
    if (modIni::PlayListTab != 0) {
        rows = rowsOf(w.ListView2);
        return true;
    }
    return false;
}

} // namespace

// ---- loading ---------------------------------------------------------------------

std::string PlayList::AdoptDefaultList()
{
    const std::string path = defaultListPath(paths::programFolder());
    modIni::PathLst = path;
    modIni::IniAccess("WRITE", "Path", "Path Lst", path);
    ensureDefaultList(path);
    return path;
}

void Player::LoadPlayList(std::string& path)
{
    if (ListBusy)
        return;
    ListBusy = true;
    ++ListLoads;
    setMousePointer(vbArrowHourglass);
    ShowListNotice(*this);
    DoEvents();

    if (path.empty())
        path = modIni::IniAccess("GET", "Path", "Path Lst");
    if (path.empty()) {
        path = AdoptDefaultList();
    } else if (!paths::isFile(path)) {
        // A remembered list that is away (a removable drive, a network
        // folder) stays remembered: the default list serves for this run.
        const std::string missing = path;
        path = defaultListPath(paths::programFolder());
        modIni::PathLst = path;
        MsgBox(french() ? "La liste de sélection " + missing + " est introuvable.\nLa liste par défaut est utilisée."
                        : "The play list " + missing + " cannot be found.\nThe default list is used.",
               vbOKOnly + vbExclamation, french() ? "Attention" : "Warning");
        ensureDefaultList(path);
    }
    ShowListNotice(*this);

    // The rows go into the list as they are read: a long list is never held
    // twice (once read, once listed).
    SyncFinder finder(modIni::IniAccess("GET", "Path", "Path Syk"));
    // Taken before the reading: a change made while it reads is seen at the save.
    const textfile::FileStamp stamp = textfile::fileStamp(path);
    int total = 0;
    bool long_ = false;
    int done = 0;
    const bool opened = readLstRows(
        path,
        [&](std::size_t lines) {
            total = static_cast<int>(std::min<std::size_t>(lines, INT_MAX));
            long_ = total > RowsPerBatch;
            // While events run between batches nothing else may act on the list.
            if (long_)
                setEnabled(false);
            ShowListProgress(*this, 0, total);
            ListView1.BeginUpdate();
        },
        [&](PlayListRow&& row) {
            // The sync flag is never taken from the file: the disk says.
            const bool hasSyk = !finder.findSyk(row.Path()).empty();
            const bool hasSy1 = hasSyk && !finder.findSy1(row.Path()).empty();
            row.SyncFlag() = syncFlag(hasSyk, hasSy1, modIni::Langue);
            const std::string icon = iconKey(songKindOf(row.Path()), hasSyk);
            appendRow(ListView1, std::move(row), icon);
            if (++done % RowsPerBatch == 0) {
                ListView1.EndUpdate();
                ShowListProgress(*this, done, total);
                DoEvents();
                ListView1.BeginUpdate();
            }
        });
    unreadList = opened ? std::string() : path;
    rememberListFile(opened ? path : std::string(), stamp);
    if (!opened) {
        MsgBox((french() ? "Erreur à l'ouverture de la Liste de Sélection " : "Error while opening PlayList File ") + path,
               vbOKOnly, french() ? "Erreur" : "Error");
    } else {
        ListView1.EndUpdate();
        EndListProgress(*this);
        if (long_)
            setEnabled(true);
    }
    Label_ItemCount.setCaption(itemCountText(static_cast<std::size_t>(ListView1.ListItems.Count()), modIni::Langue));
    Text_Londing.setVisible(false);
    setMousePointer(vbDefault);
    ListBusy = false;
}

// ---- saving -----------------------------------------------------------------------

bool Player::SavePlayList(const std::string& path)
{
    std::vector<PlayListRow> rows;
    // Half a list on screen must never replace the whole one on disk; the user
    // who asked for the save hears why there was none.
    if (ListBusy || !PlayListRows(*this, rows)) {
        MsgBox(ListBusy ? (french() ? "La Liste de Sélection est en cours de chargement : elle n'a pas été enregistrée."
                                    : "The Play List is still loading: it was not saved.")
                        : (french() ? "La Liste de Sélection n'est pas affichée : elle n'a pas été enregistrée."
                                    : "The Play List is not shown: it was not saved."),
               vbOKOnly + vbExclamation, french() ? "Erreur" : "Error");
        return false;
    }
    if (changedSinceRead(path) && askAboutChangedList(*this, path) != ChangedList::Overwrite)
        return false;
    if (writeLstFile(path, rows)) {
        if (isUnreadList(path))
            unreadList.clear();  // chosen with Save as: the file now holds the list
        rememberListFile(path, textfile::fileStamp(path));
        return true;
    }
    modIni::MsgSaveFailed(path, modIni::LastSaveFailureReason());
    return false;
}

Player::ListSaveAnswer Player::AskSavePlayListAnswer()
{
    if (!modIni::PlayListModified)
        return ListSaveAnswer::Saved;
    const int answer = MsgBox(french() ? "Des modifications ont été apportées à votre Liste de Sélection \n"
                                         "Désirez-vous les enregistrer? "
                                       : "Modifications were made in your Play List \nDo you want to save them? ",
                              vbYesNo + vbQuestion, french() ? "Sauvegarde" : "Save");
    // Only No gives the changes up: Escape or the close box is going back,
    // never a way to lose them with one key.
    if (answer != vbYes && answer != vbNo)
        return ListSaveAnswer::WentBack;
    if (answer == vbYes) {
        if (isUnreadList(modIni::PathLst)) {
            // Saved only where the user chooses; a cancelled choice is a save
            // that did not happen.
            tellListNotReplaced(modIni::PathLst);
            Command_SaveAs_Click();
            return modIni::PlayListModified ? ListSaveAnswer::NotSaved : ListSaveAnswer::Saved;
        }
        // A failed save leaves the changes marked, so they are asked for again,
        // and the caller keeps the list on screen.
        if (!SavePlayList(modIni::PathLst))
            return ListSaveAnswer::NotSaved;
    }
    modIni::PlayListModified = false;
    return answer == vbYes ? ListSaveAnswer::Saved : ListSaveAnswer::Discarded;
}

bool Player::AskSavePlayList()
{
    const ListSaveAnswer answer = AskSavePlayListAnswer();
    return answer == ListSaveAnswer::Saved || answer == ListSaveAnswer::Discarded;
}

// ---- the three file buttons ---------------------------------------------------------

void Player::Command_Open_Click()
{
    if (ListBusy)
        return;
    // The list on screen is offered for saving before another replaces it; a
    // failed save keeps it.
    if (!AskSavePlayList())
        return;
    FileDialogOptions options;
    options.filter = ListFilter;
    options.flags = cdlOFNOverwritePrompt;
    options.initDir = paths::folderPart(modIni::PathLst);
    const std::string chosen = trimChosenName(prompter().openFile(options).value_or(""));
    if (chosen.empty())
        return;   // cancelled: nothing changes
    modIni::PathLst = chosen;
    modIni::IniAccess("WRITE", "Path", "Path Lst", chosen);
    readListFile(*this);
}

void Player::Command_Save_Click()
{
    if (isUnreadList(modIni::PathLst)) {
        tellListNotReplaced(modIni::PathLst);
        Command_SaveAs_Click();
        return;
    }
    if (!SavePlayList(modIni::PathLst))
        return;
    modIni::PlayListModified = false;
    MsgBox(french() ? "Sauvegarde complètée!" : "Save complete!", vbOKOnly, french() ? "Complètée" : "Complete");
}

void Player::Command_SaveAs_Click()
{
    FileDialogOptions options;
    options.filter = ListFilter;
    options.flags = cdlOFNOverwritePrompt;
    options.initDir = paths::folderPart(modIni::PathLst);
    std::string name = trimChosenName(prompter().saveFile(options).value_or(""));
    if (name.empty())
        return;   // cancelled: nothing changes
    if (name.size() < 4 || name.compare(name.size() - 4, 4, ".lst") != 0)
        name += ".lst";
    if (!SavePlayList(name))
        return;
    modIni::PathLst = name;
    modIni::IniAccess("WRITE", "Path", "Path Lst", name);
    modIni::PlayListModified = false;
}
