// Placement of the main window's controls for its size and view. Every call
// recomputes the whole layout from the current state. Positions are computed
// in int, so a very wide window (several screens) lays out like any other.
#include "core/player.h"

#include "core/modini.h"
#include "platform/files/runtime.h"

#include <cmath>

namespace {

int shiftOf(double raw)
{
    const double r = vb::RoundEven(raw);
    return r < 0 ? 0 : static_cast<int>(r);
}

// Left of the balance slider in the transport panel (before the shift): past
// the percentage label, the panel's right-most control.
constexpr int BalanceLeft = 8400;

struct At {
    Control* control;
    int left;
    int top;
};

} // namespace

PlayerShifts PlayerLayoutShifts(const std::string& frezeDeskTop, int playerWidth)
{
    const double extra = static_cast<double>(playerWidth) - 8500.0;
    PlayerShifts s;
    if (frezeDeskTop == "1") {
        s.TopShift = shiftOf(extra - 500);
        s.BottomShift = shiftOf(extra / 2);
    } else if (frezeDeskTop == "2") {
        s.TopShift = shiftOf(extra / 2);
        s.BottomShift = shiftOf(extra / 2);
    } else if (frezeDeskTop == "3") {
        s.TopShift = shiftOf(extra - 500);
        s.BottomShift = 0;
    }
    return s;
}

void Player::ArrangePlayerControls()
{
    const PlayerShifts shifts = PlayerLayoutShifts(modIni::FrezeDeskTop, Width());
    const int top = shifts.TopShift;
    const int bottom = shifts.BottomShift;
    const int SW = ScaleWidth();
    const int SH = ScaleHeight();

    // ---- top row (Left only)
    Label_ZunMp3.setLeft(static_cast<int>(std::lround(top / 1.5 + 120)));
    Label_ZunMp3_Shadow.setLeft(static_cast<int>(std::lround(top / 1.5 + 150)));
    const At topRow[] = {
        {&Label_Compteur, 4935, 0},  {&Label_Duree, 4905, 0},        {&Time_Left, 6045, 0},
        {&Label_time, 6045, 0},      {&Command_Config, 7125, 0},     {&Command_Help, 7500, 0},
        {&Command_ZunInfo, 7875, 0}, {&Command_Edit, 2940, 0},       {&Command_Detect, 3315, 0},
        {&Command_Add, 3690, 0},     {&Command_Supp, 4005, 0},       {&Command_Open, 4410, 0},
        {&Command_Save, 4725, 0},    {&Command_SaveAs, 5070, 0},     {&Command_ViewList, 5490, 0},
        {&Command_ViewDetail, 5820, 0}, {&Command_Print, 6180, 0},   {&Command_Up, 6555, 0},
        {&Command_Dwn, 6885, 0},     {&Command_Random, 7215, 0},     {&Command_Trie, 7545, 0},
        {&Command_Cacher, 7935, 0},
    };
    for (const At& a : topRow)
        a.control->setLeft(top + a.left);

    // The frame around the list, with the bottom edge D above the bottom.
    auto frameLines = [&](int D) {
        LineTab1.setX2(SW - 110);
        LineTab3.setX2(SW - 110);
        LineTab3.setY1(SH - D);
        LineTab3.setY2(SH - D);
        LineTab4.setX1(LineTab1.X2());
        LineTab4.setX2(LineTab3.X2());
        LineTab4.setY2(LineTab3.Y2());
        LineTab2.setY2(LineTab3.Y1());
    };

    if (Command_Cacher.Value() == 0) {
        // ---- full view
        if (SH < 3300 || SW < 4200)
            return;
        Dir1.Move(150, 1245, 2050, SH - 3010);
        if (modIni::PlayListTab == 1)
            ListView1.Move(130, 885, SW - 350, SH - 2590);
        else
            ListView1.Move(2265, 885, SW - 2480, SH - 2590);
        frameLines(1600);
        const At panel[] = {
            {&Label_Mp3, 120, SH - 1465},      {&Select_Song, 1020, SH - 1495},
            {&Label_ItemCount, 4750, SH - 1480},
            {&Command_Play, 140, SH - 1150},   {&Command_Stop, 1110, SH - 1150},
            {&Command_Back, 2085, SH - 1150},  {&Command_Forward, 3060, SH - 1150},
            {&Command_AffSyk, 4035, SH - 1150}, {&Command_Record, 4995, SH - 1150},
            {&Command_Parole, 140, SH - 670},  {&Command_Auto, 620, SH - 670},
            {&Check_Muet, 1110, SH - 670},     {&Check_Muet2, 1590, SH - 670},
            {&Command_Prev, 2085, SH - 670},   {&Command_Next, 3060, SH - 670},
            {&Command_Quitter, 4035, SH - 670},
            {&Label_Volume, 5950, SH - 1570},  {&Label_Vitesse, 6960, SH - 1570},
            {&Label_Transpo, 6930, SH - 900},
            {&VolumeCtl, 6065, SH - 1285},     {&VelocityCtl, 6640, SH - 1285},
            {&TransposeCtl, 6640, SH - 655},
            {&ProgressBar1, 120, SH - 205},    {&Label_PTime, 7890, SH - 265},
            {&Label_Action, 240, SH - 840},
        };
        for (const At& a : panel)
            a.control->Move(bottom + a.left, a.top);
        // The balance slider has no place of its own in the panel (its design
        // place is under the progress bar): it stands right of the speed and
        // pitch sliders, inside the frame, once the window leaves it room.
        BalanceCtl.Move(bottom + BalanceLeft, SH - 1285);
        BalanceCtl.setVisible(bottom + BalanceLeft + BalanceCtl.Width() <= SW - 110);
        return;
    }
    // The compact view hides the sound sliders, the balance with them.
    BalanceCtl.setVisible(false);

    // ---- compact view
    if (SH < 2300 || SW < 3200)
        return;
    int D = 700;
    if (!Command_Ok.Visible()) {
        Dir1.Move(150, 1245, 2055, SH - 2000);
        if (modIni::PlayListTab == 1)
            ListView1.Move(90, 885, SW - 330, SH - 1650);
        else
            ListView1.Move(2265, 885, SW - 2475, SH - 1680);
    } else if (!Dir1.Visible()) {
        ListView1.Move(90, 885, SW - 280, SH - 1900);
        D = 900;
    } else {
        Dir1.Move(120, 1245, 2055, SH - 2300);
        ListView1.Move(2265, 885, SW - 2470, SH - 1900);
        D = 900;
    }
    frameLines(D);
    const std::string& mode = PlayList::ListMode;
    const bool inMode = mode == "Supp" || mode == "Ajout" || mode == "Detection";
    const At bar[] = {
        {&Label_Mp3, 120, SH - 600},
        {&Select_Song, 1020, SH - 600},
        {&Label_ItemCount, inMode ? 3300 : 4750, inMode ? SH - 500 : SH - 600},
        {&Command_Quitter, 5900, SH - 630},
        {&ProgressBar1, 120, SH - 205},
        {&Label_PTime, 7890, SH - 265},
        {&Command_Ok, 4950, SH - 800},
        {&Command_Cancel, 5910, SH - 800},
        {&Command_Appliquer, 6870, SH - 800},
        {&Check_Select, 3000, SH - 850},
        {&Label_SelectAll, 3250, SH - 850},
        {&Label_Action, 240, SH - 840},
    };
    for (const At& a : bar)
        a.control->Move(a.left, a.top);
}
