// Close-down of the main window: stop the song, offer to save the play list,
// remember where the windows were, and end the program (or, when the settings
// dialog reloads the main window, only let it go).
#include "core/player.h"

#include "core/modini.h"
#include "core/uihelpers.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"

#if __has_include("lyricwindows/karaoke.h")
#include "lyricwindows/karaoke.h"
#define ZUN_HAVE_KARAOKE 1
#endif

using namespace modIni;

namespace {

// The play list could not be saved (a read-only list, a full disk, a cancelled
// Save as): the user says what becomes of the changes before anything ends.
int AskWhatOfTheUnsavedList()
{
    if (Langue == "Fr")
        return MsgBox("La Liste de Sélection n'a pas été enregistrée.\n"
                      "Oui : l'enregistrer sous un autre nom\n"
                      "Non : quitter sans l'enregistrer\n"
                      "Annuler : revenir au programme",
                      vbYesNoCancel + vbExclamation + vbDefaultButton1, "Sauvegarde");
    return MsgBox("The Play List was not saved.\n"
                  "Yes: save it under another name\n"
                  "No: quit without saving it\n"
                  "Cancel: go back to the program",
                  vbYesNoCancel + vbExclamation + vbDefaultButton1, "Save");
}

} // namespace

bool Player::QuitPlayer()
{
    // The questions come before the song stops: a user who goes back to the
    // program finds the song still playing.
    // A save that fails never ends the program over the user's changes: they
    // are saved elsewhere, given up knowingly, or kept with the program open.
    if (PlayListModified) {
        const ListSaveAnswer answer = AskSavePlayListAnswer();
        if (answer == ListSaveAnswer::WentBack)
            return false;
        while (answer == ListSaveAnswer::NotSaved && PlayListModified) {
            const int choice = AskWhatOfTheUnsavedList();
            if (choice == vbYes)
                Command_SaveAs_Click();
            else if (choice == vbNo)
                PlayListModified = false;
            else
                return false;
        }
    }
    if (IsPlaying)
        Command_Stop_Click();
    DoEvents();

#ifdef ZUN_HAVE_KARAOKE
    if (Check_Aff_Karaoke.Value() == 1 && isLoaded<Karaoke>()) {
        Karaoke& k = formInstance<Karaoke>();
        if (k.WindowState() == vbNormal) {
            IniAccess("WRITE", "Kar Windows", "Top", k.Top());
            IniAccess("WRITE", "Kar Windows", "Left", k.Left());
            IniAccess("WRITE", "Kar Windows", "Height", k.Height());
            IniAccess("WRITE", "Kar Windows", "Width", k.Width());
        }
    }
#endif

    // A minimised or maximised window keeps the last normal position.
    if (WindowState() == vbNormal) {
        IniAccess("WRITE", "Player Windows", "Top", Top());
        IniAccess("WRITE", "Player Windows", "Left", Left());
    }

    if (IsPlaying)
        Command_Stop_Click();
    DoEvents();
    if (QuitOnPlayerClose)
        UnloadAllForms();
    DoEvents();
    Timer1.setEnabled(false);
    // Files are opened and closed within each procedure: none is left open.
    return true;
}

void Player::Command_Quitter_Click()
{
    if (QuitPlayer())
        End();
}

void Player::Form_QueryUnload(int& Cancel, int UnloadMode)
{
    (void)UnloadMode;
    if (!QuitOnPlayerClose)
        return;
    // The window stays up through the close-down; the program ends a second
    // later, once everything the close-down started has settled.
    Cancel = 1;
    if (!QuitPlayer())
        return;
    DoEvents();
    Timer_End.setEnabled(true);
}

void Player::Form_Unload(int& Cancel)
{
    // Reached only for the settings dialog's reload, which has already offered
    // the list for saving and kept the main window when that failed.
    (void)Cancel;
    QuitPlayer();
}

void Player::Form_Terminate()
{
    if (QuitOnPlayerClose)
        End();
}

void Player::Timer_End_Timer()
{
    Timer_End.setEnabled(false);
    End();
}
