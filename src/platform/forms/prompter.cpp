// Questions to the user: real dialogs, or scripted answers for tests.
#include "platform/forms/prompter.h"

#include "platform/forms/app.h"
#include "platform/forms/controls.h"
#include "platform/forms/widgets_p.h"

#include <QApplication>
#include <QColorDialog>
#include <QCursor>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QPointer>
#include <QScreen>
#include <QTranslator>

#include <algorithm>
#include <cstdlib>
#include <iostream>

using namespace formsp;

// ---------------------------------------------------------------- the prompter in use

namespace {
std::unique_ptr<Prompter>& current()
{
    static std::unique_ptr<Prompter> p;
    return p;
}

QWidget* dialogParent() { return QApplication::activeWindow(); }

std::function<bool()>& frenchSource()
{
    static std::function<bool()> f;
    return f;
}

bool speaksFrench() { return frenchSource() && frenchSource()(); }

// "Text (*.txt)|*.txt|All|*.*" -> "Text (*.txt) (*.txt);;All (*.*)".
QString toQtFilter(const std::string& filter, int index, QString* selected)
{
    QStringList parts = qs(filter).split('|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        // Old filters often show their patterns in the description already
        // ("lst (*.lst)|*.lst"): Qt reads the patterns from the last brackets,
        // so those are replaced by the real ones rather than doubled.
        QString description = parts[i].trimmed();
        const qsizetype open = description.lastIndexOf('(');
        if (open > 0 && description.endsWith(')'))
            description = description.left(open).trimmed();
        out << QStringLiteral("%1 (%2)").arg(description, patterns.trimmed());
    }
    if (out.isEmpty()) return {};
    if (selected) *selected = out.value(std::max(0, index - 1), out.front());
    return out.join(QStringLiteral(";;"));
}

QString startPath(const FileDialogOptions& o)
{
    QString dir = qs(o.initDir);
    QString name = qs(o.fileName);
    if (name.isEmpty()) return dir;
    if (dir.isEmpty() || name.startsWith('/')) return name;
    return dir + (dir.endsWith('/') ? "" : "/") + name;
}
} // namespace

Prompter& prompter()
{
    auto& p = current();
    if (!p) p = std::make_unique<QtPrompter>();
    return *p;
}

void setPrompter(std::unique_ptr<Prompter> p) { current() = std::move(p); }

ScopedScriptedPrompter::ScopedScriptedPrompter()
{
    auto p = std::make_unique<ScriptedPrompter>();
    p_ = p.get();
    setPrompter(std::move(p));
}

ScopedScriptedPrompter::~ScopedScriptedPrompter() { setPrompter(nullptr); }

void setPrompterFrench(std::function<bool()> french) { frenchSource() = std::move(french); }

namespace {
QPointer<QTranslator>& qtFrench()
{
    static QPointer<QTranslator> catalogue;
    return catalogue;
}
} // namespace

void syncToolkitLanguage()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    QPointer<QTranslator>& catalogue = qtFrench();
    const bool fr = speaksFrench();
    // Called before every window and box is shown: a catalogue that is not
    // installed is looked for once, not on the disk at every show.
    static bool catalogueMissing = false;
    if (fr && !catalogue && !catalogueMissing) {
        // Debian ships Qt's catalogues apart (qt6-translations-l10n); the
        // widgets' texts (dialogs, context menus) are in the "qtbase" one.
        auto* t = new QTranslator(app);
        if (!t->load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete t;
            catalogueMissing = true;
            return;
        }
        QCoreApplication::installTranslator(t);
        catalogue = t;
    } else if (!fr && catalogue) {
        QCoreApplication::removeTranslator(catalogue);
        delete catalogue.data();
    }
}

bool toolkitSpeaksFrench() { return !qtFrench().isNull(); }

std::string standardButtonCaption(int result)
{
    const bool fr = speaksFrench();
    switch (result) {
    case vbOK: return "OK";
    case vbCancel: return fr ? "Annuler" : "Cancel";
    case vbAbort: return fr ? "&Abandonner" : "&Abort";
    case vbRetry: return fr ? "&Réessayer" : "&Retry";
    case vbIgnore: return fr ? "&Ignorer" : "&Ignore";
    case vbYes: return fr ? "&Oui" : "&Yes";
    case vbNo: return fr ? "&Non" : "&No";
    default: return "";
    }
}

int MsgBox(const std::string& text, int style, const std::string& title) { return prompter().msgBox(text, style, title); }

std::string InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText)
{
    return prompter().inputBox(prompt, title, defaultText).value_or(std::string());
}

// ---------------------------------------------------------------- QtPrompter

namespace {

// A window manager cuts a title wider than its window ("Z... e"), and a box
// sizes itself to its text alone: a box is made wide enough for its whole
// title, drawn in bold as title bars do, beside the title bar's icon and
// buttons.
int widthForTitle(const QWidget& box)
{
    QFont font = QApplication::font();
    font.setBold(true);
    constexpr int kTitleBarExtra = 160;  // icon, buttons and margins of the title bar
    int width = QFontMetrics(font).horizontalAdvance(box.windowTitle()) + kTitleBarExtra;
    // A title longer than the screen is cut all the same; the box stays on it.
    if (const QScreen* screen = box.screen())
        width = std::min(width, screen->availableGeometry().width() * 3 / 4);
    return width;
}

// Message and input boxes size themselves from their layout when shown: the
// room goes into the layout.
void makeRoomForTitle(QDialog& box)
{
    auto* room = new QSpacerItem(widthForTitle(box), 0, QSizePolicy::Minimum, QSizePolicy::Minimum);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(room, grid->rowCount(), 0, 1, grid->columnCount());
    else if (box.layout())
        box.layout()->addItem(room);
    else
        delete room;
}

} // namespace

int QtPrompter::msgBox(const std::string& text, int style, const std::string& title)
{
    syncToolkitLanguage();
    QMessageBox box(dialogParent());
    box.setWindowTitle(qs(title.empty() ? App::Title() : title));
    // Messages carry outside text (file and folder names, songs' tags, reasons
    // from the system): a name that looks like markup is shown as it is, never
    // as a live link.
    box.setTextFormat(Qt::PlainText);
    box.setText(qs(text));
    switch (style & 0x70) {
    case vbCritical: box.setIcon(QMessageBox::Critical); break;
    case vbQuestion: box.setIcon(QMessageBox::Question); break;
    case vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case vbInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    struct B {
        QMessageBox::StandardButton qt;
        int result;
    };
    std::vector<B> buttons;
    switch (style & 0x0F) {
    case vbOKCancel: buttons = {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}}; break;
    case vbAbortRetryIgnore:
        buttons = {{QMessageBox::Abort, vbAbort}, {QMessageBox::Retry, vbRetry}, {QMessageBox::Ignore, vbIgnore}};
        break;
    case vbYesNoCancel:
        buttons = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}};
        break;
    case vbYesNo: buttons = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}}; break;
    case vbRetryCancel: buttons = {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}}; break;
    default: buttons = {{QMessageBox::Ok, vbOK}}; break;
    }
    QMessageBox::StandardButtons set;
    for (const B& b : buttons) set |= b.qt;
    box.setStandardButtons(set);
    for (const B& b : buttons) {
        if (QAbstractButton* button = box.button(b.qt)) button->setText(qs(standardButtonCaption(b.result)));
    }
    std::size_t def = (style & 0x300) >> 8;
    if (def < buttons.size()) box.setDefaultButton(buttons[def].qt);
    // Qt takes Escape and the close box of a Yes/No box for No, and No may
    // give something up (unsaved changes): they answer vbCancel instead, as
    // going back, through a button that is never shown.
    if ((style & 0x0F) == vbYesNo) {
        QPushButton* back = box.addButton(QMessageBox::Cancel);
        back->setText(qs(standardButtonCaption(vbCancel)));
        back->hide();
        box.setEscapeButton(back);
    }
    makeRoomForTitle(box);
    int r = box.exec();
    for (const B& b : buttons) {
        if (r == b.qt) return b.result;
    }
    // Closed with the window's close box (or Escape on a Yes/No box): the
    // cancel answer, where the box has no Cancel button too.
    return buttons.size() == 1 ? vbOK : vbCancel;
}

std::optional<std::string> QtPrompter::inputBox(const std::string& prompt, const std::string& title,
                                                const std::string& defaultText)
{
    syncToolkitLanguage();
    QInputDialog dlg(dialogParent());
    dlg.setWindowTitle(qs(title.empty() ? App::Title() : title));
    dlg.setLabelText(qs(prompt));
    // The prompt may name a file: shown as it is, like the message boxes' text.
    for (QLabel* label : dlg.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    dlg.setInputMode(QInputDialog::TextInput);
    dlg.setTextValue(qs(defaultText));
    dlg.setOkButtonText(qs(standardButtonCaption(vbOK)));
    dlg.setCancelButtonText(qs(standardButtonCaption(vbCancel)));
    makeRoomForTitle(dlg);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return ss(dlg.textValue());
}

std::optional<std::string> QtPrompter::openFile(const FileDialogOptions& o)
{
    syncToolkitLanguage();
    QString selected;
    QString filter = toQtFilter(o.filter, o.filterIndex, &selected);
    QString f = QFileDialog::getOpenFileName(dialogParent(), qs(o.title), startPath(o), filter, &selected);
    if (f.isEmpty()) return std::nullopt;
    return ss(f);
}

std::optional<std::string> QtPrompter::saveFile(const FileDialogOptions& o)
{
    syncToolkitLanguage();
    QString selected;
    QString filter = toQtFilter(o.filter, o.filterIndex, &selected);
    QFileDialog::Options opts;
    if (!(o.flags & cdlOFNOverwritePrompt)) opts |= QFileDialog::DontConfirmOverwrite;
    QFileDialog dlg(dialogParent(), qs(o.title), startPath(o), filter);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setOptions(opts);
    if (!selected.isEmpty()) dlg.selectNameFilter(selected);
    if (!o.defaultExt.empty()) dlg.setDefaultSuffix(qs(o.defaultExt));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    return ss(dlg.selectedFiles().front());
}

std::optional<long> QtPrompter::chooseColor(long initial, int flags)
{
    syncToolkitLanguage();
    (void)flags;
    QColor c = QColorDialog::getColor(toQColor(initial), dialogParent());
    if (!c.isValid()) return std::nullopt;
    return fromQColor(c);
}

namespace {
// The style of `font`'s family that the font dialog lists for the face the
// text is drawn in (`drawn`, the face's own style name). A face may be listed
// under another of its names ("Comic Neue Light" lists its "Light" face as
// "Regular"), and a weight or slant the family has no face for is drawn from
// another face: then the nearest style in slant, then in weight, the plainest
// name first ("Bold" before "Condensed Bold"). Empty for a family not listed.
QString drawnStyle(const QFont& font, const QString& drawn)
{
    const QString family = font.family();
    const QStringList styles = QFontDatabase::styles(family);
    if (styles.contains(drawn)) return drawn;
    QString nearest;
    int nearestCost = 0;
    for (const QString& s : styles) {
        const QFont face = QFontDatabase::font(family, s, 12);
        const int cost = (face.italic() != font.italic() ? 10000 : 0) + std::abs(face.weight() - font.weight());
        if (nearest.isEmpty() || cost < nearestCost || (cost == nearestCost && s.size() < nearest.size())) {
            nearest = s;
            nearestCost = cost;
        }
    }
    return nearest;
}
} // namespace

std::optional<FontChoice> QtPrompter::chooseFont(const FontChoice& initial)
{
    syncToolkitLanguage();
    // The dialog lists installed families only. A name the system maps to
    // another family ("Comic Sans MS", shown as Comic Neue) is not among
    // them, and the dialog would open on the first family of its list: it
    // opens on the family the text is actually shown in.
    QFont start = makeFont(initial.name, initial.size, initial.bold, initial.italic, false);
    const QFontInfo drawn(start);
    const QString shown = drawn.family();
    start.setFamily(shown);
    // The dialog looks its starting style up by name. Left to itself it names
    // the weight and slant in the program's language ("Gras") and in generic
    // words ("Normal") that the family's own styles ("Bold", "Book", "Roman")
    // need not use, and with no match opens on the first style of its list,
    // often another weight or slant. It is given the name of the style the
    // text is drawn in, which is one of the family's.
    const QString style = drawnStyle(start, drawn.styleName());
    if (!style.isEmpty()) start.setStyleName(style);
    bool ok = false;
    QFont f = QFontDialog::getFont(&ok, start, dialogParent());
    if (!ok) return std::nullopt;
    FontChoice r;
    // The family shown kept (the dialog may add its foundry, "Name [Foundry]"):
    // the name given stays, which looks the same and is the name the settings
    // hold; only another family changes it.
    const QString family = f.family();
    const QString bare = family.section(QStringLiteral(" ["), 0, 0);
    const bool unchanged = bare.compare(shown, Qt::CaseInsensitive) == 0 ||
                           family.compare(shown, Qt::CaseInsensitive) == 0;
    r.name = unchanged && !initial.name.empty() ? initial.name : ss(family);
    // What was not changed stays as given. The dialog shows whole points only
    // (26.5 shows as 27), and a family without a bold or slanted face has the
    // system draw one from its regular face, which the dialog cannot show: OK
    // on the style it opened on is no reason to drop it.
    r.size = f.pointSize() == start.pointSize() ? start.pointSizeF() : f.pointSizeF();
    const bool sameStyle = unchanged && f.styleName() == start.styleName();
    r.bold = sameStyle ? initial.bold : f.bold();
    r.italic = sameStyle ? initial.italic : f.italic();
    return r;
}

std::optional<std::string> QtPrompter::browseFolder(const std::string& prompt, const std::string& initial)
{
    syncToolkitLanguage();
    QString d = QFileDialog::getExistingDirectory(dialogParent(), qs(prompt), qs(initial));
    if (d.isEmpty()) return std::nullopt;
    while (d.size() > 1 && d.endsWith('/')) d.chop(1);
    return ss(d);
}

Menu* QtPrompter::popupMenu(Menu& menu)
{
    QMenu* qm = menu.qmenu();
    setPopupRunning(true);
    QAction* a = qm->exec(QCursor::pos());
    setPopupRunning(false);
    if (!a) return nullptr;
    // Find the item whose action was chosen, in sub-menus too.
    std::function<Menu*(Menu&)> find = [&](Menu& m) -> Menu* {
        for (Menu* it : m.items()) {
            if (it->action() == a) return it;
            if (Menu* r = find(*it)) return r;
        }
        return nullptr;
    };
    return find(menu);
}

bool Prompter::printDialog(QPrinter& printer)
{
    (void)printer;
    return true;   // a prompter without a dialog prints on the default printer
}

bool QtPrompter::printDialog(QPrinter& printer)
{
    syncToolkitLanguage();
    QPrintDialog dlg(&printer, dialogParent());
    return dlg.exec() == QDialog::Accepted;
}

// ---------------------------------------------------------------- ScriptedPrompter

void ScriptedPrompter::answerMsgBox(int result) { answers_.push_back({Kind::MsgBox, result}); }
void ScriptedPrompter::answerInputBox(std::optional<std::string> text) { answers_.push_back({Kind::InputBox, std::move(text)}); }
void ScriptedPrompter::answerOpenFile(std::optional<std::string> path) { answers_.push_back({Kind::OpenFile, std::move(path)}); }
void ScriptedPrompter::answerSaveFile(std::optional<std::string> path) { answers_.push_back({Kind::SaveFile, std::move(path)}); }
void ScriptedPrompter::answerColor(std::optional<long> colour) { answers_.push_back({Kind::Color, colour}); }
void ScriptedPrompter::answerFont(std::optional<FontChoice> font) { answers_.push_back({Kind::Font, std::move(font)}); }
void ScriptedPrompter::answerFolder(std::optional<std::string> path) { answers_.push_back({Kind::Folder, std::move(path)}); }
void ScriptedPrompter::answerPrint(std::optional<std::string> pdfPath)
{
    answers_.push_back({Kind::Print, std::move(pdfPath)});
}
void ScriptedPrompter::answerPopup(std::string caption)
{
    answers_.push_back({Kind::Popup, std::optional<std::string>(std::move(caption))});
}

std::vector<ScriptedPrompter::Question> ScriptedPrompter::unexpected() const
{
    std::vector<Question> r;
    for (const Question& q : questions_) {
        if (!q.answered) r.push_back(q);
    }
    return r;
}

void ScriptedPrompter::clear()
{
    answers_.clear();
    questions_.clear();
}

namespace {
const char* kindName(ScriptedPrompter::Kind k)
{
    switch (k) {
    case ScriptedPrompter::Kind::MsgBox: return "MsgBox";
    case ScriptedPrompter::Kind::InputBox: return "InputBox";
    case ScriptedPrompter::Kind::OpenFile: return "OpenFile";
    case ScriptedPrompter::Kind::SaveFile: return "SaveFile";
    case ScriptedPrompter::Kind::Color: return "Color";
    case ScriptedPrompter::Kind::Font: return "Font";
    case ScriptedPrompter::Kind::Folder: return "Folder";
    case ScriptedPrompter::Kind::Popup: return "Popup";
    case ScriptedPrompter::Kind::Print: return "Print";
    }
    return "?";
}
} // namespace

const ScriptedPrompter::Answer* ScriptedPrompter::take(Kind kind, Question q)
{
    q.kind = kind;
    if (!answers_.empty() && answers_.front().kind == kind) {
        current_ = std::move(answers_.front());
        answers_.pop_front();
        q.answered = true;
        questions_.push_back(std::move(q));
        return &current_;
    }
    std::cerr << "ScriptedPrompter: unexpected " << kindName(kind) << " \"" << q.text << "\" (title \"" << q.title
              << "\")";
    if (!answers_.empty()) std::cerr << "; next queued answer is for " << kindName(answers_.front().kind);
    std::cerr << std::endl;
    q.answered = false;
    questions_.push_back(std::move(q));
    return nullptr;
}

int ScriptedPrompter::msgBox(const std::string& text, int style, const std::string& title)
{
    const Answer* a = take(Kind::MsgBox, {Kind::MsgBox, text, title, style, {}, false});
    if (a) {
        if (auto* v = std::get_if<int>(&a->value)) return *v;
    }
    switch (style & 0x0F) {
    case vbOKCancel: case vbYesNoCancel: case vbRetryCancel: return vbCancel;
    case vbYesNo: return vbNo;
    case vbAbortRetryIgnore: return vbAbort;
    default: return vbOK;
    }
}

std::optional<std::string> ScriptedPrompter::inputBox(const std::string& prompt, const std::string& title,
                                                      const std::string& defaultText)
{
    const Answer* a = take(Kind::InputBox, {Kind::InputBox, prompt, title, 0, defaultText, false});
    if (a) {
        if (auto* v = std::get_if<std::optional<std::string>>(&a->value)) return *v;
    }
    return std::nullopt;
}

std::optional<std::string> ScriptedPrompter::openFile(const FileDialogOptions& o)
{
    const Answer* a = take(Kind::OpenFile, {Kind::OpenFile, o.title, o.filter, o.flags, o.initDir, false});
    if (a) {
        if (auto* v = std::get_if<std::optional<std::string>>(&a->value)) return *v;
    }
    return std::nullopt;
}

std::optional<std::string> ScriptedPrompter::saveFile(const FileDialogOptions& o)
{
    const Answer* a = take(Kind::SaveFile, {Kind::SaveFile, o.title, o.filter, o.flags, o.initDir, false});
    if (a) {
        if (auto* v = std::get_if<std::optional<std::string>>(&a->value)) return *v;
    }
    return std::nullopt;
}

std::optional<long> ScriptedPrompter::chooseColor(long initial, int flags)
{
    const Answer* a = take(Kind::Color, {Kind::Color, std::to_string(initial), {}, flags, {}, false});
    if (a) {
        if (auto* v = std::get_if<std::optional<long>>(&a->value)) return *v;
    }
    return std::nullopt;
}

std::optional<FontChoice> ScriptedPrompter::chooseFont(const FontChoice& initial)
{
    const Answer* a = take(Kind::Font, {Kind::Font, initial.name, {}, 0, {}, false});
    if (a) {
        if (auto* v = std::get_if<std::optional<FontChoice>>(&a->value)) return *v;
    }
    return std::nullopt;
}

std::optional<std::string> ScriptedPrompter::browseFolder(const std::string& prompt, const std::string& initial)
{
    const Answer* a = take(Kind::Folder, {Kind::Folder, prompt, {}, 0, initial, false});
    if (a) {
        if (auto* v = std::get_if<std::optional<std::string>>(&a->value)) return *v;
    }
    return std::nullopt;
}

Menu* ScriptedPrompter::popupMenu(Menu& menu)
{
    const Answer* a = take(Kind::Popup, {Kind::Popup, menu.Caption(), {}, 0, {}, false});
    if (!a) return nullptr;
    auto* v = std::get_if<std::optional<std::string>>(&a->value);
    if (!v || !*v || (*v)->empty()) return nullptr;
    // "Sub|Item": walk down the captions; only visible, enabled items can be chosen.
    std::string path = **v;
    Menu* at = &menu;
    std::size_t start = 0;
    while (at) {
        std::size_t bar = path.find('|', start);
        std::string part = path.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        Menu* next = nullptr;
        for (Menu* it : at->items()) {
            if (it->Caption() == part && it->Visible() && it->Enabled() && !it->isSeparator()) {
                next = it;
                break;
            }
        }
        if (!next) {
            std::cerr << "ScriptedPrompter: pop-up has no item \"" << path << "\"" << std::endl;
            questions_.back().answered = false;
            return nullptr;
        }
        if (bar == std::string::npos) return next;
        at = next;
        start = bar + 1;
    }
    return nullptr;
}

bool ScriptedPrompter::printDialog(QPrinter& printer)
{
    const Answer* a = take(Kind::Print, {Kind::Print, ss(printer.docName()), {}, 0, {}, false});
    if (!a) return false;
    auto* v = std::get_if<std::optional<std::string>>(&a->value);
    if (!v || !*v || (*v)->empty()) return false;
    // Tests never reach a real printer: the document goes into a PDF file.
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(qs(**v));
    return true;
}
