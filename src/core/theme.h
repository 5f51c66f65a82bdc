#pragma once
// The theme pictures and the tiling of a window's background with them.
//
// The never-shown window Theme holds nine picture boxes: element 0 receives a
// picture file chosen by the user, elements 1 to 8 hold the built-in tiles
// (drawn by code when the window loads). A picture box's Width and Height are
// the size of one tile.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

#include <string>

class Theme : public Form {
public:
    Theme();
    void Form_Load() override;

    static constexpr int kPictures = 9;
    PictureBox Picture_Pgm[kPictures]{PictureBox{this}, PictureBox{this}, PictureBox{this},
                                      PictureBox{this}, PictureBox{this}, PictureBox{this},
                                      PictureBox{this}, PictureBox{this}, PictureBox{this}};

    // Puts a picture into element 0 and sizes the box to it; an empty
    // picture leaves element 0 without a picture.
    void SetUserPicture(const StdPicture& picture);
};

Theme& theme();

namespace modIni {

// Repeats the theme picture over the whole surface of the window: the user
// picture when PathPgmImage names a file, the built-in picture ThemeIndex when
// PathPgmImage begins with "@" (nothing when ThemeIndex is -1), nothing when
// PathPgmImage is empty or the chosen element holds no picture. Failures are
// ignored; a tile of zero width or height paints nothing.
void TileFormBackground(Form& form);

// The element of Theme.Picture_Pgm that TileFormBackground would paint for
// these settings, -1 for none (the picture itself is not looked at).
int ThemePictureIndex(const std::string& pathPgmImage, int themeIndex);

} // namespace modIni
