#pragma once
// Small window helpers shared by every window: the two standard refusals, the
// centring of a window on the screen and the unloading of every secondary
// window at the end of the run.
class Form;

namespace modIni {

// "You must stop before running this function" (critical icon). Callers call it
// when a song plays and then abandon their command.
void MsgMustStop();
// When the main window's current-song box is empty: "Select a song !", gives the
// main window the focus and clears IsPlaying. Does nothing when a song is chosen.
void MsgSelectSong();
// Places the window in the middle of the screen (a window larger than the screen
// gets a negative position).
void CenterForm(Form& form);
// Unloads every loaded window except the main window; a window that refuses or
// fails does not stop the others.
void UnloadAllForms();

} // namespace modIni
