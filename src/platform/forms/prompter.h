#pragma once
// Every question the program asks the user goes through one replaceable
// prompter: message boxes, input boxes, the common dialogs (open, save,
// colour, font, folder) and pop-up menus. QtPrompter shows real dialogs;
// ScriptedPrompter answers from a queue, records every question and never
// waits on a window, for tests.
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

class Menu;
class QPrinter;

// Message box styles (add them: vbYesNo + vbQuestion).
constexpr int vbOKOnly = 0;
constexpr int vbOKCancel = 1;
constexpr int vbAbortRetryIgnore = 2;
constexpr int vbYesNoCancel = 3;
constexpr int vbYesNo = 4;
constexpr int vbRetryCancel = 5;
constexpr int vbCritical = 16;
constexpr int vbQuestion = 32;
constexpr int vbExclamation = 48;
constexpr int vbInformation = 64;
constexpr int vbDefaultButton1 = 0;
constexpr int vbDefaultButton2 = 256;
constexpr int vbDefaultButton3 = 512;
// Message box results.
constexpr int vbOK = 1;
constexpr int vbCancel = 2;
constexpr int vbAbort = 3;
constexpr int vbRetry = 4;
constexpr int vbIgnore = 5;
constexpr int vbYes = 6;
constexpr int vbNo = 7;

// Common dialog flags the program uses.
constexpr int cdlOFNOverwritePrompt = 2;
constexpr int cdlOFNFileMustExist = 0x1000;
constexpr int cdlCCFullOpen = 2;

struct FileDialogOptions {
    std::string title;
    // "Text (*.txt)|*.txt|All|*.*": description and patterns (";"-separated)
    // in pairs; patterns match without regard to case.
    std::string filter;
    int filterIndex = 1;       // 1-based
    std::string initDir;
    std::string fileName;      // proposed name
    int flags = 0;             // cdlOFNOverwritePrompt ...
    std::string defaultExt;    // added by a save dialog when the name has none
};

struct FontChoice {
    std::string name;
    double size = 10;
    bool bold = false;
    bool italic = false;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // style: buttons + icon + default button (see constants). Returns vbOK,
    // vbYes, ... An empty title shows the application's title. Escape and the
    // close box answer vbCancel, on a Yes/No box too (the user went back).
    virtual int msgBox(const std::string& text, int style, const std::string& title) = 0;
    // nullopt when cancelled.
    virtual std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                                const std::string& defaultText) = 0;
    virtual std::optional<std::string> openFile(const FileDialogOptions& o) = 0;
    virtual std::optional<std::string> saveFile(const FileDialogOptions& o) = 0;
    virtual std::optional<long> chooseColor(long initial, int flags) = 0;
    virtual std::optional<FontChoice> chooseFont(const FontChoice& initial) = 0;
    // A folder, without a trailing "/"; nullopt when cancelled.
    virtual std::optional<std::string> browseFolder(const std::string& prompt, const std::string& initial) = 0;
    // Shows the items of `menu` at the mouse; the item chosen, nullptr for none.
    virtual Menu* popupMenu(Menu& menu) = 0;
    // The print dialog for `printer` (which printer, copies, pages; the user
    // may also choose to print into a file). False when cancelled.
    virtual bool printDialog(QPrinter& printer);
};

// Real dialogs.
class QtPrompter : public Prompter {
public:
    int msgBox(const std::string& text, int style, const std::string& title) override;
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText) override;
    std::optional<std::string> openFile(const FileDialogOptions& o) override;
    std::optional<std::string> saveFile(const FileDialogOptions& o) override;
    std::optional<long> chooseColor(long initial, int flags) override;
    std::optional<FontChoice> chooseFont(const FontChoice& initial) override;
    std::optional<std::string> browseFolder(const std::string& prompt, const std::string& initial) override;
    Menu* popupMenu(Menu& menu) override;
    bool printDialog(QPrinter& printer) override;
};

// Answers queued in order; each question takes the next answer if it is of
// the question's kind. A question with no matching answer is recorded as
// unexpected (and printed on stderr) and gets the "cancel" answer: the
// default button of a message box (vbCancel where there is one, vbNo for
// Yes/No, vbOK for OK), nullopt for the others.
class ScriptedPrompter : public Prompter {
public:
    enum class Kind { MsgBox, InputBox, OpenFile, SaveFile, Color, Font, Folder, Popup, Print };
    struct Question {
        Kind kind;
        std::string text;     // message / prompt / dialog title / menu caption
        std::string title;    // title; for file dialogs the filter
        int style = 0;        // message box style; dialog flags
        std::string detail;   // input default, initial folder or file name
        bool answered = false;
    };

    // --- queue answers
    void answerMsgBox(int result);
    void answerInputBox(std::optional<std::string> text);
    void answerOpenFile(std::optional<std::string> path);
    void answerSaveFile(std::optional<std::string> path);
    void answerColor(std::optional<long> colour);
    void answerFont(std::optional<FontChoice> font);
    void answerFolder(std::optional<std::string> path);
    // Chooses the item of the pop-up whose caption is given ("" = dismiss);
    // "Sub|Item" reaches an item of a sub-menu.
    void answerPopup(std::string caption);
    // Answers the print dialog: print into this PDF file; nullopt cancels.
    void answerPrint(std::optional<std::string> pdfPath);

    // --- what was asked
    const std::vector<Question>& questions() const { return questions_; }
    std::vector<Question> unexpected() const;
    // Answers still waiting in the queue.
    std::size_t pending() const { return answers_.size(); }
    void clear();

    int msgBox(const std::string& text, int style, const std::string& title) override;
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText) override;
    std::optional<std::string> openFile(const FileDialogOptions& o) override;
    std::optional<std::string> saveFile(const FileDialogOptions& o) override;
    std::optional<long> chooseColor(long initial, int flags) override;
    std::optional<FontChoice> chooseFont(const FontChoice& initial) override;
    std::optional<std::string> browseFolder(const std::string& prompt, const std::string& initial) override;
    Menu* popupMenu(Menu& menu) override;
    bool printDialog(QPrinter& printer) override;

private:
    using Value = std::variant<int, std::optional<std::string>, std::optional<long>, std::optional<FontChoice>>;
    struct Answer {
        Kind kind;
        Value value;
    };
    std::deque<Answer> answers_;
    std::vector<Question> questions_;
    // Takes the front answer if it has this kind; records the question.
    const Answer* take(Kind kind, Question q);
    Answer current_{Kind::MsgBox, 0};
};

// The prompter in use (a QtPrompter unless replaced). setPrompter takes
// ownership; passing nullptr restores the QtPrompter.
Prompter& prompter();
void setPrompter(std::unique_ptr<Prompter> p);

// Installs a ScriptedPrompter for the lifetime of this object (tests).
class ScopedScriptedPrompter {
public:
    ScopedScriptedPrompter();
    ~ScopedScriptedPrompter();
    ScriptedPrompter& operator*() { return *p_; }
    ScriptedPrompter* operator->() { return p_; }

private:
    ScriptedPrompter* p_;
};

// The standard buttons of message and input boxes speak the program's
// language, not the desktop's: the function set here says whether the
// program speaks French (its language setting); English otherwise.
void setPrompterFrench(std::function<bool()> french);
// Qt's own texts (its file, colour, font and print dialogs, the text boxes'
// context menus) follow that language too: Qt's French catalogue is
// installed while the program speaks French and removed when it does not.
// Every real dialog and every window that is shown brings it up to date; a
// missing catalogue leaves Qt's English.
void syncToolkitLanguage();
// True while Qt's French catalogue is installed.
bool toolkitSpeaksFrench();
// The caption of the standard button that answers `result` (vbOK .. vbNo) in
// that language, with its "&" access key: "&Oui", "&Non", "OK", "Annuler".
std::string standardButtonCaption(int result);

// The old runtime's calls, through the prompter.
int MsgBox(const std::string& text, int style = vbOKOnly, const std::string& title = "");
// "" when cancelled (as the old InputBox).
std::string InputBox(const std::string& prompt, const std::string& title = "", const std::string& defaultText = "");
