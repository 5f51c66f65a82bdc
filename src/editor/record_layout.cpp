// The editor window's layout for its current size: the list and the text pane
// grow with the window, the rows below them follow the bottom edge, and three
// groups shift into the extra room, as the program-wide layout setting says.
#include <cmath>
#include <limits>

#include "core/modini.h"
#include "core/theme.h"
#include "editor/record.h"
#include "platform/files/runtime.h"

using namespace modIni;

namespace {

constexpr int kDesignOuterWidth = 9345;
constexpr int kDesignOuterHeight = 6630;
constexpr int kMinLayoutHeight = 6105;

// A shift in twips: rounded half to even, never negative; a value beyond the
// 16-bit range leaves the shift at 0 (those groups then keep their places).
int shift(double x)
{
    if (!std::isfinite(x))
        return 0;
    const double r = vb::RoundEven(x);
    if (r > vb::kIntMax || r < vb::kIntMin)
        return 0;
    return r < 0 ? 0 : static_cast<int>(r);
}

// A left edge computed as a 16-bit sum of a shift and a design place: past
// the range that one placement is skipped and the control keeps its place.
bool fits16(long v) { return v >= vb::kIntMin && v <= vb::kIntMax; }

void placeLeft(Control& c, long left)
{
    if (fits16(left))
        c.setLeft(static_cast<int>(left));
}

void placeTop(Control& c, long top)
{
    if (fits16(top))
        c.setTop(static_cast<int>(top));
}

void place(Control& c, long left, long top)
{
    if (top < std::numeric_limits<int>::min() || top > std::numeric_limits<int>::max())
        return;
    if (!fits16(left))
        return;
    c.Move(static_cast<int>(left), static_cast<int>(top));
}

} // namespace

void Record::Form_Resize()
{
    TileFormBackground(*this);
    LayoutControls();
}

void Record::LayoutControls()
{
    const long H = ScaleHeight() < kMinLayoutHeight ? kMinLayoutHeight : ScaleHeight();
    const double E = static_cast<double>(Width()) - kDesignOuterWidth;
    int a = 0;
    int b = 0;
    if (FrezeDeskTop == "1") {
        a = shift(E - 500);
        b = shift(E / 2);
    } else if (FrezeDeskTop == "2") {
        a = shift(E / 2);
        b = shift(E / 2);
    } else if (FrezeDeskTop == "3") {
        a = shift(E - 500);
    }
    const int c = shift((static_cast<double>(Height()) - kDesignOuterHeight) / 2);

    // Tool column between the list and the text pane.
    placeTop(Label_Esp, c + 420L);
    placeTop(Check_ChkBlank, c + 660L);
    placeTop(Command_compil, c + 960L);
    placeTop(Command_SetColor, c + 1875L);
    placeTop(Command_ClsSyk, c + 2280L);
    placeTop(Command_ClsTime, c + 2865L);
    placeTop(Command_Moin, c + 3600L);
    placeTop(Command_Plus, c + 3600L);
    placeTop(Text_Temp, c + 3900L);
    placeTop(Label_Ctrl, c + 4245L);

    // Top-right group.
    placeLeft(Label_Mp3, a + 4485L);
    placeLeft(Select_Song, a + 5400L);
    placeLeft(Command_Help, a + 8835L);

    // The two panes; a pane that would get a negative width keeps its place.
    List_Syk.Move(120, 500, 3255, static_cast<int>(H - 2200));
    const int paneWidth = ScaleWidth() - 4200;
    if (paneWidth >= 0)
        Text_TXT.Move(4080, 500, paneWidth, static_cast<int>(H - 2200));

    // Bottom-left rows.
    place(Label_Z, 240, H - 1668);
    place(Label_2Click, 240, H - 1425);
    place(Label_Space, 180, H - 1425);
    place(Text_Syk, 240, H - 1065);
    place(Text_time, 240, H - 765);
    place(Command_MoinL, 1500, H - 735);
    place(Command_PlusL, 1740, H - 735);
    place(Check_NLigne, 2040, H - 725);
    place(Label_Check_NLigne, 2300, H - 725);
    place(Command_MAJ, 240, H - 405);
    place(Command_Ins, 1320, H - 405);
    place(Command_Supp, 2400, H - 405);
    place(Shape1, 120, H - 1125);
    place(Check_Scrole, 1680, H - 1665);
    place(Label_Check_Scrole, 1980, H - 1665);
    place(Label_Tiret, 4200, H - 1665);

    // Bottom-right block, four rows.
    place(Command_OpenMp3, b + 3480L, H - 1425);
    place(Command_Play, b + 5400L, H - 1425);
    place(Command_Stop, b + 6360L, H - 1425);
    place(Command_OpenTXT, b + 7320L, H - 1425);
    place(Command_OpenSyk, b + 3480L, H - 1065);
    place(Command_Back, b + 5400L, H - 1065);
    place(Command_Forward, b + 6360L, H - 1065);
    place(Command_SaveTXT, b + 7320L, H - 1065);
    place(Command_SaveSyk, b + 3480L, H - 705);
    place(Command_Capture, b + 5400L, H - 705);
    place(Command_AffSyk, b + 7320L, H - 705);
    place(Text_TestSyk, b + 3480L, H - 345);
    place(Command_ImpKar, b + 7320L, H - 345);
    place(Command_Sortir, b + 8280L, H - 345);
}
