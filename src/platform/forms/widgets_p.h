#pragma once
// Helpers shared by the forms layer's .cpp files (Qt side). Not for the
// system's code.
#include <QColor>
#include <QFont>
#include <QString>
#include <string>

namespace formsp {

// Text and names of the program (UTF-8 std::string) <-> Qt text. A Linux file
// name may hold bytes that are not UTF-8 ("caf\xE9.mp3" made on an old system):
// each byte that starts no valid sequence travels as the lone surrogate
// U+DC80..U+DCFF and comes back as the same byte, so a name shown in a control
// and read back from it still names the file.
QString qs(const std::string& s);
std::string ss(const QString& s);

// 0xBBGGRR (system colours resolved) -> QColor.
QColor toQColor(long colour);
// QColor -> 0xBBGGRR.
long fromQColor(const QColor& c);

// Twips -> pixels, rounded to the nearest pixel.
int px(double twips);
double tw(double pixels);

// A font by the old name, with the substitutions this system makes.
QFont makeFont(const std::string& name, double points, bool bold, bool italic, bool underline);
// The family to use for an old font name.
QString fontFamilyFor(const std::string& name);

// Set while controls or forms are being destroyed: events from dying widgets
// must not reach handlers of half-destroyed windows.
bool eventsBlocked();
struct BlockEvents {
    BlockEvents();
    ~BlockEvents();
};

// Set while a key event that started at a control is being delivered: the
// containers and the window it travels through must not handle it again.
bool controlKeyInProgress();
struct ControlKeyScope {
    ControlKeyScope();
    ~ControlKeyScope();
};

// Set while a pop-up menu runs through the prompter: the chosen item's Click
// is run by Form::PopupMenu, not by the menu action itself.
bool popupRunning();
void setPopupRunning(bool on);

} // namespace formsp
