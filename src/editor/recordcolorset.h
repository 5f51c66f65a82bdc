#pragma once
// The per-song colour line dialog of the editor: the user picks a background
// picture (a file beside the song) and the five colours of the lyric windows;
// OK puts the matching display line ("//picture;font;sung;kept;background;shadow")
// into the editor's timing list, before the first syllable of a lyric line or in
// place of the display entry that was selected. Opened by the editor's colour
// button and by its Apply command or double-click on a display entry.
#include <array>
#include <optional>
#include <string>

#include "platform/forms/controls.h"
#include "platform/forms/form.h"

class Record_ColorSet : public Form {
public:
    Record_ColorSet();

    // Swatches: each one's background colour is the value it stands for.
    Label Label_FontColor{this};
    Label Label_FontColorActif{this};
    Label Label_FontColorPassif{this};
    Label Label_BackColor{this};
    Label Label_ShadowColor{this};
    CommandButton Command_GetColorFont{this};
    CommandButton Command_GetColorFontActif{this};
    CommandButton Command_GetColorFontPassif{this};
    CommandButton Command_GetColorBack{this};
    CommandButton Command_ShadowColor{this};
    Label Label_ImageFond{this};
    TextBox Text_ImageFond{this};   // bare file name of the picture, "" = none
    CommandButton Command_BrowseI{this};
    CommandButton Command_Aucun{this};
    CommandButton Command_Ok{this};
    CommandButton Command_Cancel{this};
    Label Label1{this};
    Label Label2{this};
    Line Line1{this};
    Line Line2{this};
    Line Line10{this};
    Line Line11{this};
    Line Line13{this};

    void Form_Load() override;
    void Form_Resize() override;
    void Command_GetColorFont_Click();
    void Command_GetColorFontActif_Click();
    void Command_GetColorFontPassif_Click();
    void Command_GetColorBack_Click();
    void Command_ShadowColor_Click();
    void Command_BrowseI_Click();
    void Command_Aucun_Click();
    void Command_Ok_Click();
    void Command_Cancel_Click();

    // Shows the dialog filled from a display entry of the timing list: the
    // picture name when that file lies beside the current song (otherwise the
    // field keeps what it holds), and the five colours. Fields that are missing
    // or not numbers leave their swatch as it is.
    void ShowColorLine(const std::string& entry);

    // The five colours of a display line, in the order of the line.
    using Colours = std::array<long, 5>;
    struct ColorLineFields {
        std::string image;
        std::array<std::optional<long>, 5> colours;   // nullopt: missing or not a number
    };
    // "//" + image + ";" + the five colours as decimal numbers, no final ";".
    static std::string MakeColorLine(const std::string& image, const Colours& colours);
    // The fields of a display line; nullopt when the text is not one ("//" start).
    static std::optional<ColorLineFields> ParseColorLine(const std::string& entry);

private:
    void pickColour(Label& swatch);
    // The swatches in the order of the display line's fields.
    std::array<Label*, 5> swatches();
};

// The dialog's default instance, created and loaded on first use.
Record_ColorSet& record_ColorSet();
