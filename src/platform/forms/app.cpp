// Application services: event pump, command line, screen, keys, colours.
#include "platform/forms/app.h"

#include "platform/files/paths.h"
#include "platform/files/textfile.h"
#include "platform/forms/form.h"
#include "platform/forms/widgets_p.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QPalette>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string_view>

#include <fontconfig/fontconfig.h>

namespace formsp {

namespace {
int g_blocked = 0;
}

bool eventsBlocked() { return g_blocked > 0; }
BlockEvents::BlockEvents() { ++g_blocked; }
BlockEvents::~BlockEvents() { --g_blocked; }

int px(double twips)
{
    if (!std::isfinite(twips)) return 0;
    double p = std::round(twips / 15.0);
    if (p > 1e6) return 1000000;
    if (p < -1e6) return -1000000;
    return static_cast<int>(p);
}

double tw(double pixels) { return pixels * 15.0; }

QString qs(const std::string& s)
{
    if (textfile::isValidUtf8(s))
        return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
    QString out;
    out.reserve(static_cast<qsizetype>(s.size()));
    std::size_t i = 0;
    while (i < s.size()) {
        char32_t cp = 0;
        const std::size_t len = textfile::utf8SequenceAt(s, i, &cp);
        if (len == 0) {
            out += QChar(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(s[i])));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out += QChar(QChar::highSurrogate(cp));
            out += QChar(QChar::lowSurrogate(cp));
        } else {
            out += QChar(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

std::string ss(const QString& s)
{
    const auto escaped = [](char16_t u) { return u >= 0xDC80 && u <= 0xDCFF; };
    if (std::none_of(s.begin(), s.end(), [&](QChar c) { return escaped(c.unicode()); }))
        return s.toUtf8().toStdString();
    std::string out;
    out.reserve(static_cast<std::size_t>(s.size()));
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t u = s[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < s.size() && QChar::isLowSurrogate(s[i + 1].unicode())) {
            textfile::appendUtf8(out, QChar::surrogateToUcs4(u, s[i + 1].unicode()));
            ++i;
        } else if (escaped(u)) {
            out += static_cast<char>(u - 0xDC00);
        } else if (QChar::isSurrogate(u)) {
            textfile::appendUtf8(out, 0xFFFD);
        } else {
            textfile::appendUtf8(out, u);
        }
    }
    return out;
}

QColor toQColor(long colour)
{
    long c = resolveColor(colour);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

long fromQColor(const QColor& c)
{
    return static_cast<long>(c.red()) | (static_cast<long>(c.green()) << 8) | (static_cast<long>(c.blue()) << 16);
}

// Gives fontconfig the program's family aliases once, before fonts are
// looked up: without them "Comic Sans MS" falls to whatever fontconfig ranks
// first for an unknown name, a calligraphic italic on a plain Debian.
static bool installFontAliases()
{
    static const bool installed = [] {
        if (!FcInit())
            return false;
        static const char aliases[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <alias binding="same">
    <family>Comic Sans MS</family>
    <prefer><family>Comic Neue</family></prefer>
  </alias>
</fontconfig>
)";
        return FcConfigParseAndLoadFromMemory(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(aliases),
                                              FcFalse) == FcTrue;
    }();
    return installed;
}

QString fontFamilyFor(const std::string& name)
{
    installFontAliases();
    QString n = qs(name);
    if (n.isEmpty()) return QApplication::font().family();
    if (QFontDatabase::hasFamily(n)) return n;
    // The lyric windows' playful default font: the free look-alike when it is
    // installed, else whatever fontconfig chooses for the name.
    if (n.compare(QLatin1String("Comic Sans MS"), Qt::CaseInsensitive) == 0 && QFontDatabase::hasFamily(QStringLiteral("Comic Neue")))
        return QStringLiteral("Comic Neue");
    // The old dialog face is narrow; Arial's metrics (Liberation Sans, Nimbus Sans)
    // come closest, where fontconfig's own default for the name is much wider.
    if (n.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Arial");
    return n;
}

QFont makeFont(const std::string& name, double points, bool bold, bool italic, bool underline)
{
    QFont f(fontFamilyFor(name));
    if (!(points > 0) || !std::isfinite(points)) points = 8.25;
    if (points > 2048) points = 2048;
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

} // namespace formsp

using namespace formsp;

std::string FontFile(const std::string& family, bool bold)
{
    installFontAliases();
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return {};
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string file;
    FcChar8* path = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
        file = reinterpret_cast<const char*>(path);
    if (match)
        FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return file;
}

void DoEvents()
{
    if (!QCoreApplication::instance()) return;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

namespace {
std::string g_commandLine;
bool g_commandLineSet = false;
bool g_ending = false;
} // namespace

std::string CommandLine()
{
    if (!g_commandLineSet && QCoreApplication::instance()) {
        QStringList args = QCoreApplication::arguments();
        std::string line;
        for (qsizetype i = 1; i < args.size(); ++i) {
            if (i > 1) line += ' ';
            line += ss(args[i]);
        }
        return line;
    }
    return g_commandLine;
}

void setCommandLine(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        if (argv[i]) line += argv[i];
    }
    setCommandLine(line);
}

void setCommandLine(const std::string& line)
{
    g_commandLine = line;
    g_commandLineSet = true;
}

namespace {
// The index of the first "--" among argv's arguments, argc when there is none.
// As on any Linux command line, it ends the options: what follows is the
// program's, whatever it looks like, and the "--" itself is no argument.
int endOfOptions(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (argv[i] && std::string_view(argv[i]) == "--")
            return i;
    return argc;
}
} // namespace

std::vector<char*> toolkitArguments(int argc, char** argv)
{
    std::vector<char*> out;
    const int end = endOfOptions(argc, argv);
    for (int i = 0; i < end; ++i)
        if (i == 0 || !argv[i] || !paths::isFile(argv[i]))
            out.push_back(argv[i]);
    out.push_back(nullptr);
    return out;
}

void setCommandLineAfterToolkit(int argc, char** argv, int leftCount, char** left)
{
    // The toolkit takes out what it reads and leaves the other pointers as they were.
    const std::vector<char*> leftByToolkit(left + std::min(leftCount, 1), left + leftCount);
    const int end = endOfOptions(argc, argv);
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (!argv[i] || i == end)
            continue;
        const bool kept = i > end ||
                          std::find(leftByToolkit.begin(), leftByToolkit.end(), argv[i]) != leftByToolkit.end();
        if (!kept && !paths::isFile(argv[i]))
            continue;
        if (!line.empty())
            line += ' ';
        line += argv[i];
    }
    setCommandLine(line);
}

void sendPixelsWithoutSharedMemory() { setenv("QT_XCB_NO_MITSHM", "1", 0); }

void End()
{
    g_ending = true;
    for (Form* f : Forms()) {
        if (f->window()) f->window()->hide();
    }
    if (QCoreApplication::instance()) QCoreApplication::exit(0);
}

bool Ending() { return g_ending; }

namespace App {
std::string Path() { return paths::programFolder(); }
std::string Title() { return "Zun Mp3 Karaoke"; }
std::string EXEName()
{
    if (QCoreApplication::instance()) return ss(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    return "zunkaraoke";
}
} // namespace App

namespace Screen {
int Width()
{
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() * 15 : 1024 * 15;
}
int Height()
{
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() * 15 : 768 * 15;
}
Form* ActiveForm()
{
    QWidget* w = QApplication::activeWindow();
    if (!w) return nullptr;
    for (Form* f : Forms()) {
        if (f->window() == w) return f;
    }
    return nullptr;
}
namespace {
int g_pointer = 0;
}
int MousePointer() { return g_pointer; }
void setMousePointer(int pointer)
{
    if (pointer == g_pointer) return;
    if (g_pointer != 0) QApplication::restoreOverrideCursor();
    g_pointer = pointer;
    if (pointer == vbHourglass) QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (pointer == vbArrowHourglass) QApplication::setOverrideCursor(Qt::BusyCursor);
    else if (pointer != 0) QApplication::setOverrideCursor(Qt::ArrowCursor);
}
} // namespace Screen

int twipsToPixels(double twips) { return px(twips); }
int pixelsToTwips(int pixels) { return pixels * 15; }

long RGB(int red, int green, int blue)
{
    auto clamp = [](int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
    return static_cast<long>(clamp(red)) | (static_cast<long>(clamp(green)) << 8) | (static_cast<long>(clamp(blue)) << 16);
}

long QBColor(int index)
{
    static const long table[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                                   0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    if (index < 0 || index > 15) return 0;
    return table[index];
}

long resolveColor(long colour)
{
    unsigned long u = static_cast<unsigned long>(colour) & 0xFFFFFFFFUL;
    if ((u & 0xFF000000UL) != 0x80000000UL) return static_cast<long>(u & 0xFFFFFFUL);
    QPalette pal = QCoreApplication::instance() ? QApplication::palette() : QPalette();
    QColor c;
    switch (u & 0xFF) {
    case 0x00: c = pal.color(QPalette::Mid); break;                // scroll bars
    case 0x01: c = pal.color(QPalette::Dark); break;               // desktop
    case 0x02: c = pal.color(QPalette::Highlight); break;          // active title bar
    case 0x03: c = pal.color(QPalette::Mid); break;                // inactive title bar
    case 0x04: c = pal.color(QPalette::Window); break;             // menu bar
    case 0x05: c = pal.color(QPalette::Base); break;               // window background
    case 0x06: c = pal.color(QPalette::Shadow); break;             // window frame
    case 0x07: c = pal.color(QPalette::WindowText); break;         // menu text
    case 0x08: c = pal.color(QPalette::Text); break;               // window text
    case 0x09: c = pal.color(QPalette::HighlightedText); break;    // title bar text
    case 0x0A: c = pal.color(QPalette::Button); break;             // active border
    case 0x0B: c = pal.color(QPalette::Button); break;             // inactive border
    case 0x0C: c = pal.color(QPalette::Dark); break;               // application workspace
    case 0x0D: c = pal.color(QPalette::Highlight); break;
    case 0x0E: c = pal.color(QPalette::HighlightedText); break;
    case 0x0F: c = pal.color(QPalette::Button); break;             // button face
    case 0x10: c = pal.color(QPalette::Dark); break;               // button shadow
    case 0x11: c = pal.color(QPalette::Disabled, QPalette::Text); break; // grey text
    case 0x12: c = pal.color(QPalette::ButtonText); break;
    case 0x13: c = pal.color(QPalette::Disabled, QPalette::WindowText); break;
    case 0x14: c = pal.color(QPalette::Light); break;              // 3D highlight
    case 0x15: c = pal.color(QPalette::Shadow); break;             // 3D dark shadow
    case 0x16: c = pal.color(QPalette::Midlight); break;           // 3D light
    case 0x17: c = pal.color(QPalette::ToolTipText); break;
    case 0x18: c = pal.color(QPalette::ToolTipBase); break;
    default: c = pal.color(QPalette::Button); break;
    }
    return fromQColor(c);
}

// ---------------------------------------------------------------- keys

namespace {
const std::map<int, int>& qtToVk()
{
    static const std::map<int, int> m = {
        {Qt::Key_Backspace, vbKeyBack}, {Qt::Key_Tab, vbKeyTab}, {Qt::Key_Backtab, vbKeyTab},
        {Qt::Key_Clear, vbKeyClear}, {Qt::Key_Return, vbKeyReturn}, {Qt::Key_Enter, vbKeyReturn},
        {Qt::Key_Shift, vbKeyShift}, {Qt::Key_Control, vbKeyControl}, {Qt::Key_Alt, vbKeyMenu},
        {Qt::Key_Pause, vbKeyPause}, {Qt::Key_CapsLock, vbKeyCapital}, {Qt::Key_Escape, vbKeyEscape},
        {Qt::Key_Space, vbKeySpace}, {Qt::Key_PageUp, vbKeyPageUp}, {Qt::Key_PageDown, vbKeyPageDown},
        {Qt::Key_End, vbKeyEnd}, {Qt::Key_Home, vbKeyHome}, {Qt::Key_Left, vbKeyLeft}, {Qt::Key_Up, vbKeyUp},
        {Qt::Key_Right, vbKeyRight}, {Qt::Key_Down, vbKeyDown}, {Qt::Key_Select, vbKeySelect},
        {Qt::Key_Print, vbKeyPrint}, {Qt::Key_Execute, vbKeyExecute}, {Qt::Key_SysReq, vbKeySnapshot},
        {Qt::Key_Insert, vbKeyInsert}, {Qt::Key_Delete, vbKeyDelete}, {Qt::Key_Help, vbKeyHelp},
        {Qt::Key_Asterisk, vbKeyMultiply}, {Qt::Key_Plus, vbKeyAdd}, {Qt::Key_Minus, vbKeySubtract},
        {Qt::Key_Slash, vbKeyDivide}, {Qt::Key_NumLock, vbKeyNumlock}, {Qt::Key_ScrollLock, vbKeyScrollLock},
        {Qt::Key_Comma, 188}, {Qt::Key_Period, 190}, {Qt::Key_Semicolon, 186}, {Qt::Key_Equal, 187},
        {Qt::Key_Apostrophe, 222}, {Qt::Key_BracketLeft, 219}, {Qt::Key_BracketRight, 221},
        {Qt::Key_Backslash, 220}, {Qt::Key_QuoteLeft, 192},
    };
    return m;
}
} // namespace

int keyCodeFromQt(int qtKey)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return qtKey;  // same numbers
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return vbKeyF1 + (qtKey - Qt::Key_F1);
    auto it = qtToVk().find(qtKey);
    return it == qtToVk().end() ? 0 : it->second;
}

int qtKeyFromKeyCode(int keyCode)
{
    if (keyCode >= vbKeyA && keyCode <= vbKeyZ) return keyCode;
    if (keyCode >= vbKey0 && keyCode <= vbKey9) return keyCode;
    if (keyCode >= vbKeyF1 && keyCode <= vbKeyF1 + 23) return Qt::Key_F1 + (keyCode - vbKeyF1);
    if (keyCode >= vbKeyNumpad0 && keyCode <= vbKeyNumpad0 + 9) return Qt::Key_0 + (keyCode - vbKeyNumpad0);
    for (const auto& [q, vk] : qtToVk()) {
        if (vk == keyCode) return q;
    }
    return 0;
}

int shiftFromQt(int qtModifiers)
{
    int s = 0;
    if (qtModifiers & Qt::ShiftModifier) s |= vbShiftMask;
    if (qtModifiers & Qt::ControlModifier) s |= vbCtrlMask;
    if (qtModifiers & Qt::AltModifier) s |= vbAltMask;
    return s;
}

// ---------------------------------------------------------------- SendKeys

namespace {
struct SentKey {
    int qtKey = 0;
    QString text;
    Qt::KeyboardModifiers mods;
};

bool parseBrace(const QString& name, SentKey& k)
{
    static const std::map<QString, std::pair<int, QString>> named = {
        {"DOWN", {Qt::Key_Down, {}}}, {"UP", {Qt::Key_Up, {}}}, {"LEFT", {Qt::Key_Left, {}}},
        {"RIGHT", {Qt::Key_Right, {}}}, {"HOME", {Qt::Key_Home, {}}}, {"END", {Qt::Key_End, {}}},
        {"PGUP", {Qt::Key_PageUp, {}}}, {"PGDN", {Qt::Key_PageDown, {}}}, {"ENTER", {Qt::Key_Return, "\r"}},
        {"ESC", {Qt::Key_Escape, "\x1b"}}, {"ESCAPE", {Qt::Key_Escape, "\x1b"}}, {"TAB", {Qt::Key_Tab, "\t"}},
        {"DEL", {Qt::Key_Delete, {}}}, {"DELETE", {Qt::Key_Delete, {}}}, {"BS", {Qt::Key_Backspace, "\b"}},
        {"BACKSPACE", {Qt::Key_Backspace, "\b"}}, {"BKSP", {Qt::Key_Backspace, "\b"}},
        {"INSERT", {Qt::Key_Insert, {}}}, {"INS", {Qt::Key_Insert, {}}},
        {"{", {Qt::Key_BraceLeft, "{"}}, {"}", {Qt::Key_BraceRight, "}"}}, {"~", {Qt::Key_AsciiTilde, "~"}},
        {"+", {Qt::Key_Plus, "+"}}, {"^", {Qt::Key_AsciiCircum, "^"}}, {"%", {Qt::Key_Percent, "%"}},
    };
    auto it = named.find(name.toUpper());
    if (it != named.end()) {
        k.qtKey = it->second.first;
        k.text = it->second.second;
        return true;
    }
    QString u = name.toUpper();
    if (u.size() >= 2 && u[0] == 'F') {
        bool ok = false;
        int n = u.mid(1).toInt(&ok);
        if (ok && n >= 1 && n <= 16) {
            k.qtKey = Qt::Key_F1 + (n - 1);
            return true;
        }
    }
    return false;
}

QWidget* keyTarget()
{
    if (QWidget* w = QApplication::focusWidget()) return w;
    if (QWidget* a = QApplication::activeWindow()) return a->focusWidget() ? a->focusWidget() : a;
    // Offscreen or not yet activated: the focus widget of the last shown form.
    QWidget* found = nullptr;
    for (Form* f : Forms()) {
        QWidget* win = f->window();
        if (win && win->isVisible() && win->focusWidget()) found = win->focusWidget();
    }
    return found;
}
} // namespace

void SendKeys(const std::string& keysUtf8, bool wait)
{
    if (!QCoreApplication::instance()) return;
    QString keys = qs(keysUtf8);
    std::vector<SentKey> seq;
    Qt::KeyboardModifiers pending;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        QChar c = keys[i];
        SentKey k;
        if (c == '+') { pending |= Qt::ShiftModifier; continue; }
        if (c == '^') { pending |= Qt::ControlModifier; continue; }
        if (c == '%') { pending |= Qt::AltModifier; continue; }
        int repeat = 1;
        if (c == '{') {
            // "{}}" and "{{}" name the braces themselves.
            qsizetype close = keys.indexOf('}', i + 2);
            if (close < 0) break;
            QString inner = keys.mid(i + 1, close - i - 1);
            i = close;
            QString name = inner;
            qsizetype sp = inner.lastIndexOf(' ');
            if (sp > 0) {
                bool ok = false;
                int n = inner.mid(sp + 1).toInt(&ok);
                if (ok) {
                    repeat = n < 0 ? 0 : (n > 1000 ? 1000 : n);
                    name = inner.left(sp);
                }
            }
            if (!parseBrace(name, k)) {
                if (name.size() == 1) {
                    k.text = name;
                    k.qtKey = name[0].toUpper().unicode();
                } else {
                    pending = {};
                    continue;
                }
            }
        } else if (c == '~') {
            k.qtKey = Qt::Key_Return;
            k.text = "\r";
        } else {
            k.text = QString(c);
            k.qtKey = c.toUpper().unicode();
        }
        k.mods = pending;
        pending = {};
        for (int r = 0; r < repeat; ++r) seq.push_back(k);
    }
    for (const SentKey& k : seq) {
        QPointer<QWidget> target = keyTarget();
        if (!target) break;
        QKeyEvent press(QEvent::KeyPress, k.qtKey, k.mods, k.text);
        QApplication::sendEvent(target, &press);
        if (!target) continue;
        QKeyEvent release(QEvent::KeyRelease, k.qtKey, k.mods, k.text);
        QApplication::sendEvent(target, &release);
    }
    if (wait) QCoreApplication::processEvents();
}
