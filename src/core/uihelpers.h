#pragma once
// Small window helpers shared by every window: the two standard refusals, the
// centring of a window on the screen, the dialogs' colours from the settings
// and the unloading of every secondary window at the end of the run.
#include <initializer_list>
#include <string>

class Control;
class Form;
class StdPicture;

namespace modIni {

// "You must stop before running this function" (critical icon). Callers call it
// when a song plays and then abandon their command.
void MsgMustStop();
// When the main window's current-song box is empty: "Select a song !", gives the
// main window the focus and clears IsPlaying. Does nothing when a song is chosen.
void MsgSelectSong();
// Its text: "Sélectionner une chanson !" in French, else "Select a song !".
std::string SelectSongText();
// "The settings could not be saved: " and the reason (exclamation icon), once
// per press of a dialog's save button.
void ShowSettingsNotSaved(const std::string& why);
// "An error occured while saving!" (error title), then the file and why it
// could not be written: the user can do nothing with the bare sentence.
void MsgSaveFailed(const std::string& path, const std::string& why);
// The filter of every picture dialog: "Images Files |" and the patterns of the
// picture formats that can be shown (no PCX; TIFF when its reader is there).
std::string PictureFilter();
// True when the picture file can be shown; otherwise says so (the file named)
// and returns false, so the dialog keeps the picture it had. `picture`, when
// given, receives the picture read, so a dialog that shows it at once does not
// read and decode the file a second time.
bool PictureCanBeShown(const std::string& path, StdPicture* picture = nullptr);
// Places the window in the middle of the screen (a window larger than the screen
// gets a negative position).
void CenterForm(Form& form);
// A colour of the [Setting] section ("PgmColor", "ListColor", "ButtomColor"):
// the stored number (a system colour stays negative), or the default settings
// file's value when the key is missing, empty or not a number, so a hand-edited
// file never paints a dialog black.
long SettingColor(const char* key);
// Colours a dialog as the user chose for the program: the window and
// `backgrounds` take "PgmColor", `fields` (text boxes, lists) take "ListColor",
// `buttons` take "ButtomColor". Each dialog names its own controls.
void ApplyDialogColors(Form& form, std::initializer_list<Control*> backgrounds,
                       std::initializer_list<Control*> fields, std::initializer_list<Control*> buttons);
// Unloads every loaded window except the main window; a window that refuses or
// fails does not stop the others.
void UnloadAllForms();

} // namespace modIni
