#pragma once
// Application services of the old runtime: the event pump, the program
// folder and command line, the screen, key codes, system colours.
#include <string>
#include <vector>

class Form;

// Lets pending events run (input, paints, timers, deferred deletions of
// unloaded forms), then returns. Handlers may run re-entrantly from here.
void DoEvents();

// The arguments after the program name, joined by blanks ("" when none).
std::string CommandLine();
// Sets what CommandLine() returns (main() passes argv; tests may set it).
void setCommandLine(int argc, char** argv);
void setCommandLine(const std::string& line);
// The toolkit's options and the program's own arguments share the command
// line. A file that exists is always the program's: a song whose relative
// name begins with "-" ("-style=x.mp3") would otherwise be taken by the
// toolkit as one of its options and vanish. toolkitArguments is argv without
// those files, ended by a null pointer (its size() - 1 arguments); once the
// toolkit has taken its options out of it (leftCount, left),
// setCommandLineAfterToolkit sets the command line to argv's arguments that
// name existing files or that the toolkit left, in their order. A "--" ends
// the options: every argument after it is the program's, never the
// toolkit's, and the "--" itself is left out.
std::vector<char*> toolkitArguments(int argc, char** argv);
void setCommandLineAfterToolkit(int argc, char** argv, int leftCount, char** left);

// Before the toolkit starts: the windows' pixels go to the X server inside
// the drawing requests rather than through shared memory. Each repaint
// through shared memory costs a round trip to the server and an event back,
// which wakes the program two or three times more for every syllable and
// every step of a progress bar while a song plays, for areas that cost next
// to nothing to send. A QT_XCB_NO_MITSHM already set is left as it is.
void sendPixelsWithoutSharedMemory();

// Quits the event loop: the program ends once the current handler returns.
// Forms are not unloaded (their Form_Unload does not run), as with the old End.
void End();
// True after End() (code that loops with DoEvents checks it to stop).
bool Ending();

namespace App {
// The program folder, without a trailing "/" (see paths::programFolder).
std::string Path();
// The application's title ("Zun Mp3 Karaoke"): the default message box title.
std::string Title();
std::string EXEName();
} // namespace App

namespace Screen {
// The primary screen's size in twips.
int Width();
int Height();
constexpr int TwipsPerPixelX() { return 15; }
constexpr int TwipsPerPixelY() { return 15; }
// The form whose window is active, nullptr when none of ours is.
Form* ActiveForm();
// Mouse pointer for the whole application (vbHourglass etc.; 0 default).
int MousePointer();
void setMousePointer(int pointer);
} // namespace Screen

// Sends keys to the focused widget and lets them be processed before
// returning. Understands "{DOWN}", "{UP}", "{HOME}", "{END}", "{PGUP}",
// "{PGDN}", "{LEFT}", "{RIGHT}", "{ENTER}", "{ESC}", "{TAB}", "{DEL}",
// "{BS}", "{F1}".."{F12}", "~" (Enter) and plain characters; "{DOWN 3}"
// repeats. Unknown braces are ignored.
void SendKeys(const std::string& keys, bool wait = true);

// The file of the font face fontconfig picks for a family name (bold or
// regular), "" when none. The program's own family aliases apply: "Comic Sans
// MS", the lyric windows' default, is the metric-compatible "Comic Neue".
std::string FontFile(const std::string& family, bool bold = false);

// Twips <-> pixels (15 twips per pixel; rounding to the nearest pixel).
int twipsToPixels(double twips);
int pixelsToTwips(int pixels);

// A colour 0xBBGGRR, or a system colour 0x800000nn resolved to the current
// palette's colour, as 0xBBGGRR.
long resolveColor(long colour);
long RGB(int red, int green, int blue);
long QBColor(int index);

// System colours.
constexpr long vbScrollBars = 0x80000000;
constexpr long vbDesktop = 0x80000001;
constexpr long vbActiveTitleBar = 0x80000002;
constexpr long vbInactiveTitleBar = 0x80000003;
constexpr long vbMenuBar = 0x80000004;
constexpr long vbWindowBackground = 0x80000005;
constexpr long vbWindowFrame = 0x80000006;
constexpr long vbMenuText = 0x80000007;
constexpr long vbWindowText = 0x80000008;
constexpr long vbTitleBarText = 0x80000009;
constexpr long vbHighlight = 0x8000000D;
constexpr long vbHighlightText = 0x8000000E;
constexpr long vbButtonFace = 0x8000000F;
constexpr long vbButtonShadow = 0x80000010;
constexpr long vbGrayText = 0x80000011;
constexpr long vbButtonText = 0x80000012;
constexpr long vb3DHighlight = 0x80000014;
constexpr long vb3DDKShadow = 0x80000015;
constexpr long vb3DLight = 0x80000016;
constexpr long vbInfoText = 0x80000017;
constexpr long vbInfoBackground = 0x80000018;

// Plain colours.
constexpr long vbBlack = 0x000000;
constexpr long vbRed = 0x0000FF;
constexpr long vbGreen = 0x00FF00;
constexpr long vbYellow = 0x00FFFF;
constexpr long vbBlue = 0xFF0000;
constexpr long vbMagenta = 0xFF00FF;
constexpr long vbCyan = 0xFFFF00;
constexpr long vbWhite = 0xFFFFFF;

// Mouse buttons and shift states of the mouse and key events.
constexpr int vbLeftButton = 1;
constexpr int vbRightButton = 2;
constexpr int vbMiddleButton = 4;
constexpr int vbShiftMask = 1;
constexpr int vbCtrlMask = 2;
constexpr int vbAltMask = 4;

// Key codes of KeyDown/KeyUp (the old virtual-key numbers).
constexpr int vbKeyLButton = 1;
constexpr int vbKeyRButton = 2;
constexpr int vbKeyCancel = 3;
constexpr int vbKeyMButton = 4;
constexpr int vbKeyBack = 8;
constexpr int vbKeyTab = 9;
constexpr int vbKeyClear = 12;
constexpr int vbKeyReturn = 13;
constexpr int vbKeyShift = 16;
constexpr int vbKeyControl = 17;
constexpr int vbKeyMenu = 18;
constexpr int vbKeyPause = 19;
constexpr int vbKeyCapital = 20;
constexpr int vbKeyEscape = 27;
constexpr int vbKeySpace = 32;
constexpr int vbKeyPageUp = 33;
constexpr int vbKeyPageDown = 34;
constexpr int vbKeyEnd = 35;
constexpr int vbKeyHome = 36;
constexpr int vbKeyLeft = 37;
constexpr int vbKeyUp = 38;
constexpr int vbKeyRight = 39;
constexpr int vbKeyDown = 40;
constexpr int vbKeySelect = 41;
constexpr int vbKeyPrint = 42;
constexpr int vbKeyExecute = 43;
constexpr int vbKeySnapshot = 44;
constexpr int vbKeyInsert = 45;
constexpr int vbKeyDelete = 46;
constexpr int vbKeyHelp = 47;
constexpr int vbKey0 = 48;  // vbKey0..vbKey9 = 48..57
constexpr int vbKey1 = 49;
constexpr int vbKey2 = 50;
constexpr int vbKey3 = 51;
constexpr int vbKey4 = 52;
constexpr int vbKey5 = 53;
constexpr int vbKey6 = 54;
constexpr int vbKey7 = 55;
constexpr int vbKey8 = 56;
constexpr int vbKey9 = 57;
constexpr int vbKeyA = 65;  // vbKeyA..vbKeyZ = 65..90
constexpr int vbKeyB = 66;
constexpr int vbKeyC = 67;
constexpr int vbKeyD = 68;
constexpr int vbKeyE = 69;
constexpr int vbKeyF = 70;
constexpr int vbKeyG = 71;
constexpr int vbKeyH = 72;
constexpr int vbKeyI = 73;
constexpr int vbKeyJ = 74;
constexpr int vbKeyK = 75;
constexpr int vbKeyL = 76;
constexpr int vbKeyM = 77;
constexpr int vbKeyN = 78;
constexpr int vbKeyO = 79;
constexpr int vbKeyP = 80;
constexpr int vbKeyQ = 81;
constexpr int vbKeyR = 82;
constexpr int vbKeyS = 83;
constexpr int vbKeyT = 84;
constexpr int vbKeyU = 85;
constexpr int vbKeyV = 86;
constexpr int vbKeyW = 87;
constexpr int vbKeyX = 88;
constexpr int vbKeyY = 89;
constexpr int vbKeyZ = 90;
constexpr int vbKeyNumpad0 = 96;  // ..vbKeyNumpad9 = 105
constexpr int vbKeyMultiply = 106;
constexpr int vbKeyAdd = 107;
constexpr int vbKeySeparator = 108;
constexpr int vbKeySubtract = 109;
constexpr int vbKeyDecimal = 110;
constexpr int vbKeyDivide = 111;
constexpr int vbKeyF1 = 112;
constexpr int vbKeyF2 = 113;
constexpr int vbKeyF3 = 114;
constexpr int vbKeyF4 = 115;
constexpr int vbKeyF5 = 116;
constexpr int vbKeyF6 = 117;
constexpr int vbKeyF7 = 118;
constexpr int vbKeyF8 = 119;
constexpr int vbKeyF9 = 120;
constexpr int vbKeyF10 = 121;
constexpr int vbKeyF11 = 122;
constexpr int vbKeyF12 = 123;
constexpr int vbKeyNumlock = 144;
constexpr int vbKeyScrollLock = 145;

// Key code (as above) for a Qt key, 0 when it has none; and back.
int keyCodeFromQt(int qtKey);
int qtKeyFromKeyCode(int keyCode);
// The shift state (vbShiftMask | vbCtrlMask | vbAltMask) of Qt modifiers.
int shiftFromQt(int qtModifiers);
