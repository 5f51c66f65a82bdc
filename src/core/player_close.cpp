// Close-down of the main window: stop the song, offer to save the play list,
// remember where the windows were, and end the program (or, when the settings
// dialog reloads the main window, only let it go).
#include "core/player.h"

#include "core/modini.h"
#include "core/uihelpers.h"
#include "platform/forms/app.h"

#if __has_include("lyricwindows/karaoke.h")
#include "lyricwindows/karaoke.h"
#define ZUN_HAVE_KARAOKE 1
#endif

using namespace modIni;

void Player::QuitPlayer()
{
    if (IsPlaying)
        Command_Stop_Click();
    if (PlayListModified)
        AskSavePlayList();
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
}

void Player::Command_Quitter_Click()
{
    QuitPlayer();
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
    QuitPlayer();
    DoEvents();
    Timer_End.setEnabled(true);
}

void Player::Form_Unload(int& Cancel)
{
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
