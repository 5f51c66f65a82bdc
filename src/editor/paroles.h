#pragma once
// The lyric text window: the lyrics of the current song as plain text (from its
// .syk file, or from the lyric events of a MIDI song), which the user can save
// as a text file. Opened by the main window's `Command_Parole`.
#include <optional>
#include <string>
#include <vector>

#include "platform/forms/controls.h"
#include "platform/forms/form.h"

class Paroles : public Form {
public:
    Paroles();

    TextBox Text_Paroles{this};          // the lyric text, several lines
    CommandButton Command_Save{this};    // "Enregistrer sous" / "Save as"
    CommandButton Command_Fermer{this};  // closes the window

    void Form_Load() override;
    void Form_Resize() override;
    void Command_Save_Click();
    void Command_Fermer_Click();

    // Writes the box's text to `path`, ending with one CR LF (written beside
    // it, then renamed over it); tells the user when it cannot be written.
    void SaveText(TextBox& box, const std::string& path);
};

// The lyric text window's default instance, created and loaded on first use.
Paroles& paroles();

namespace Kar {
// The lyric text of sync-file lines: per lyric line its syllables joined, then
// CR LF; display lines ("//...") add nothing, nor does a line without ";".
// nullopt when a time is missing its closing ";" or is not a number.
std::optional<std::string> SykLyricText(const std::vector<std::string>& lines);
} // namespace Kar
