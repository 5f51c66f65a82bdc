// The small row icons of the list and the pictures of the list's tab strip,
// drawn here rather than shipped as files.
#include "core/player.h"
#include "platform/forms/app.h"
#include "playlist/playlistrow.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int Tw = 15;   // twips per pixel

// Note pictures, 11 x 13 pixels. 'H' note head, 'h' its highlight, 'S' stem,
// flag and beams, '.' background.
const std::vector<std::string> Note1 = {
    "......S....",
    "......SS...",
    "......S.S..",
    "......S..S.",
    "......S..S.",
    "......S...S",
    "......S...S",
    "......S..S.",
    "......S....",
    "..hHHHS....",
    ".hHHHHH....",
    ".HHHHHH....",
    "..HHHH.....",
};
const std::vector<std::string> Note2 = {
    "....SSSSSSS",
    "....SSSSSSS",
    "....S.....S",
    "....S.....S",
    "....S.....S",
    "....S.....S",
    "....S.....S",
    "....S.....S",
    "....S.....S",
    ".hHHS..hHHS",
    "hHHHH.hHHHH",
    "HHHHH.HHHHH",
    ".HHH...HHH.",
};
const std::vector<std::string> NoteMp3 = {
    "....SSSSSSS",
    "....SSSSSSS",
    "....S.....S",
    "....SSSSSSS",
    "....SSSSSSS",
    "....S.....S",
    "....S.....S",
    "....S.....S",
    "....S.....S",
    ".hHHS..hHHS",
    "hHHHH.hHHHH",
    "HHHHH.HHHHH",
    ".HHH...HHH.",
};

struct Palette {
    long head;
    long highlight;
    long stem;
};
// The plain pictures in black and greys, the "R" ones (a sync file exists) in
// reds with black stems.
constexpr Palette Plain{0x202020, 0x909090, 0x505050};
constexpr Palette Synced{0x0000D0, 0x8080FF, 0x000000};

void prepare(PictureBox& box, int widthPx, int heightPx, long background)
{
    box.setVisible(false);
    box.setBorderStyle(0);
    box.setAutoRedraw(true);
    box.setPicture(StdPicture());
    box.Move(box.Left(), box.Top(), widthPx * Tw, heightPx * Tw);
    box.setBackColor(background);
    box.Cls();
}

// A row icon's hidden box, sized to the icon, holding its picture. The row
// icons keep a transparent background, so a selected row's colour shows
// around the icon instead of a box in the list's colour.
void setIcon(PictureBox& box, int widthPx, int heightPx, const StdPicture& picture)
{
    box.setVisible(false);
    box.setBorderStyle(0);
    box.Move(box.Left(), box.Top(), widthPx * Tw, heightPx * Tw);
    box.setPicture(picture);
}

void drawNote(PictureBox& box, const std::vector<std::string>& art, const Palette& pal)
{
    setIcon(box, 11, 13, PictureFromArt(art, {{'H', pal.head}, {'h', pal.highlight}, {'S', pal.stem}}));
}

// 15 x 15: a red disc with a dark rim and a white diagonal cross.
void drawStop(PictureBox& box)
{
    std::vector<std::string> art(15, std::string(15, '.'));
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 15; ++x) {
            const double d = std::hypot(x - 7.0, y - 7.0);
            if (d > 7.3)
                continue;
            char c = d > 6.0 ? 'R' : 'D';
            if (d <= 4.6 && (std::abs(x - y) <= 1 || std::abs(x + y - 14) <= 1))
                c = 'W';
            art[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = c;
        }
    setIcon(box, 15, 15, PictureFromArt(art, {{'R', 0x000080}, {'D', 0x0000E0}, {'W', 0xFFFFFF}}));
}

// The tab strip: two tabs side by side, the play list on the left and the
// folder browser on the right; the one in front is raised and joins the frame.
StdPicture drawTabs(Player& w, bool playListInFront, bool french)
{
    const int width = 175, height = 21, half = 87;
    PictureBox box(&w);
    prepare(box, width, height, resolveColor(w.BackColor()));
    box.setFontName("Arial");
    box.setFontSize(8);
    const long light = 0xFFFFFF, dark = 0x808080, darker = 0x404040;
    const long front = resolveColor(vbButtonFace), back = 0xC8C8C8;

    auto tab = [&](int x0, int x1, bool inFront, const std::string& text) {
        const int top = inFront ? 0 : 3;
        box.DrawBox(x0 * Tw, top * Tw, x1 * Tw, (height - 1) * Tw, inFront ? front : back, true);
        box.DrawLine(x0 * Tw, (height - 1) * Tw, x0 * Tw, (top + 2) * Tw, light);
        box.DrawLine(x0 * Tw, (top + 2) * Tw, (x0 + 2) * Tw, top * Tw, light);
        box.DrawLine((x0 + 2) * Tw, top * Tw, (x1 - 2) * Tw, top * Tw, light);
        box.DrawLine((x1 - 2) * Tw, top * Tw, x1 * Tw, (top + 2) * Tw, darker);
        box.DrawLine(x1 * Tw, (top + 2) * Tw, x1 * Tw, (height - 1) * Tw, darker);
        box.DrawLine((x1 - 1) * Tw, (top + 2) * Tw, (x1 - 1) * Tw, (height - 1) * Tw, dark);
        if (!inFront)
            box.DrawLine(x0 * Tw, (height - 1) * Tw, x1 * Tw, (height - 1) * Tw, light);
        box.setFontBold(inFront);
        box.setForeColor(0x000000);
        const double textWidth = box.TextWidth(text);
        box.setCurrentX((x0 + x1) * Tw / 2.0 - textWidth / 2.0);
        box.setCurrentY((top + 1) * Tw + ((height - 1 - top) * Tw - box.TextHeight(text)) / 2.0);
        box.Print(text);
    };
    const std::string list = french ? "Liste" : "Play List";
    const std::string folders = french ? "Répertoires" : "Folders";
    // The tab behind is drawn first so the front one covers its edge.
    if (playListInFront) {
        tab(half, width - 1, false, folders);
        tab(0, half, true, list);
    } else {
        tab(0, half, false, list);
        tab(half, width - 1, true, folders);
    }
    return box.ImageCopy();
}

// Faces of the play-list file buttons (14 x 14), unlike each other and
// unlike the move up / move down arrows beside them: an open folder, a
// floppy disk, the disk with a pencil.
const std::vector<std::string> OpenListArt = {
    "..............",
    ".KKKK.........",
    ".KYYYK........",
    ".KYYYYKKKKKK..",
    ".KYYYYYYYYYK..",
    ".KYYKKKKKKKKKK",
    ".KYKDDDDDDDDDK",
    ".KYKDDDDDDDDK.",
    ".KKDDDDDDDDDK.",
    ".KKDDDDDDDDK..",
    ".KDDDDDDDDDK..",
    ".KKKKKKKKKKK..",
};
const std::vector<std::string> SaveListArt = {
    "BBBBBBBBBBBBB.",
    "BBWWWWWWWWWBBB",
    "BBWWWWWWWWWBBB",
    "BBWKKKKKKKWBBB",
    "BBWWWWWWWWWBBB",
    "BBBBBBBBBBBBBB",
    "BBBBBBBBBBBBBB",
    "BBBGGGGGGGBBBB",
    "BBBGGKKGGGBBBB",
    "BBBGGKKGGGBBBB",
    "BBBGGKKGGGBBBB",
    "BBBGGGGGGGBBBB",
    ".BBBBBBBBBBBBB",
};
const std::vector<std::string> SaveListAsArt = {
    "BBBBBBBBB.....",
    "BWWWWWWWB.....",
    "BWKKKKKWB.....",
    "BWWWWWWWB.....",
    "BBBBBBBBB.....",
    "BBGGKGGBB...OO",
    "BBGGKGGBB..OYO",
    "BBGGKGGBB.OYO.",
    "BBBBBBBBBOYO..",
    "........OYO...",
    ".......OYO....",
    "......KYO.....",
    "......KK......",
};
const std::vector<std::pair<char, long>> ListButtonPalette = {
    {'K', 0x303030}, {'Y', 0x60E0FF}, {'D', 0x30B8F0}, {'B', 0x803010},
    {'W', 0xFFFFFF}, {'G', 0xC0C0C0}, {'O', 0x204080},
};

} // namespace

void Player::DrawListButtons()
{
    const std::pair<CommandButton*, const std::vector<std::string>*> faces[] = {
        {&Command_Open, &OpenListArt}, {&Command_Save, &SaveListArt}, {&Command_SaveAs, &SaveListAsArt}};
    for (const auto& [button, art] : faces) {
        button->setCaption("");
        button->setPicture(PictureFromArt(*art, ListButtonPalette));
        button->setStyle(vbButtonGraphical);
    }
}

void Player::DrawListPictures()
{
    drawNote(Picture_Note1, Note1, Plain);
    drawNote(Picture_Note1R, Note1, Synced);
    drawNote(Picture_Note2, Note2, Plain);
    drawNote(Picture_Note2R, Note2, Synced);
    drawNote(Picture_NoteMp3, NoteMp3, Plain);
    drawNote(Picture_NoteMp3R, NoteMp3, Synced);
    drawStop(Picture_Stop);

    // "1": the folder tab in front; "2": the play-list tab in front.
    Image_Tab1Fr.setPicture(drawTabs(*this, false, true));
    Image_Tab1An.setPicture(drawTabs(*this, false, false));
    Image_Tab2Fr.setPicture(drawTabs(*this, true, true));
    Image_Tab2An.setPicture(drawTabs(*this, true, false));
    for (Image* image : {&Image_Tab1Fr, &Image_Tab1An, &Image_Tab2Fr, &Image_Tab2An})
        image->setVisible(false);
}

void Player::InitListIcons()
{
    ListView1.setSmallIcons(nullptr);
    ImageList1.ListImages.Clear();
    DrawListPictures();
    const std::pair<PictureBox*, const char*> pictures[] = {
        {&Picture_Note2, PlayList::IconNote2},     {&Picture_Note2R, PlayList::IconNote2R},
        {&Picture_Note1, PlayList::IconNote1},     {&Picture_Note1R, PlayList::IconNote1R},
        {&Picture_NoteMp3, PlayList::IconNoteMp3}, {&Picture_NoteMp3R, PlayList::IconNoteMp3R},
        {&Picture_Stop, PlayList::IconStop},
    };
    for (const auto& [box, key] : pictures) {
        // A picture that could not be made leaves the list without icons
        // rather than with icons under the wrong keys.
        if (!box->Picture())
            return;
        ImageList1.ListImages.Add(0, key, box->Picture());
    }
    ListView1.setSmallIcons(&ImageList1);
}
