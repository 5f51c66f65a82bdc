// Questions to the user go through the prompter: tests script the answers
// and read back what was asked; pop-up menus choose through it too.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Kind = ScriptedPrompter::Kind;

TEST(Prompter, AnswersComeInOrderAndQuestionsAreRecorded)
{
    ScopedScriptedPrompter p;
    p->answerMsgBox(vbYes);
    p->answerOpenFile(std::string("/music/song.mp3"));
    p->answerColor(0x00FF00);
    p->answerInputBox(std::nullopt);

    EXPECT_EQ(MsgBox("Save the list?", vbYesNo + vbQuestion, "Save"), vbYes);
    FileDialogOptions o;
    o.title = "Open";
    o.filter = "Music Files (*.mp3,*.mid,*.kar,*.wav)|*.mp3;*.mid;*.kar;*.wav";
    o.initDir = "/music";
    EXPECT_EQ(prompter().openFile(o), std::optional<std::string>("/music/song.mp3"));
    EXPECT_EQ(prompter().chooseColor(0, cdlCCFullOpen), std::optional<long>(0x00FF00));
    EXPECT_EQ(InputBox("Name?", "", "x"), "");   // cancelled
    EXPECT_EQ(p->pending(), 0u);

    const auto& q = p->questions();
    ASSERT_EQ(q.size(), 4u);
    EXPECT_EQ(q[0].kind, Kind::MsgBox);
    EXPECT_EQ(q[0].text, "Save the list?");
    EXPECT_EQ(q[0].title, "Save");
    EXPECT_EQ(q[0].style, 36);
    EXPECT_EQ(q[1].kind, Kind::OpenFile);
    EXPECT_EQ(q[1].detail, "/music");
    EXPECT_EQ(q[3].detail, "x");
    EXPECT_TRUE(p->unexpected().empty());
}

TEST(Prompter, UnexpectedQuestionsGetTheCancelAnswerAndAreReported)
{
    ScopedScriptedPrompter p;
    p->answerSaveFile(std::string("/tmp/a.lst"));
    // The queued answer is for another kind of question: it stays queued.
    EXPECT_EQ(MsgBox("Sure?", vbYesNo), vbNo);
    EXPECT_EQ(MsgBox("Sure?", vbYesNoCancel), vbCancel);
    EXPECT_EQ(MsgBox("Done..."), vbOK);
    EXPECT_EQ(prompter().browseFolder("Folder", "/"), std::nullopt);
    EXPECT_EQ(p->pending(), 1u);
    EXPECT_EQ(p->unexpected().size(), 4u);
    EXPECT_EQ(prompter().saveFile({}), std::optional<std::string>("/tmp/a.lst"));
    EXPECT_EQ(p->unexpected().size(), 4u);
}

class ListWindow : public Form {
public:
    Menu popFeatures{this};
    Menu mnuView0{&popFeatures};
    Menu mnuView0_0{&mnuView0};
    Menu mnuView0_1{&mnuView0};
    Menu zzmnuSep1{&popFeatures};
    Menu mnuEdit{&popFeatures};
    Menu mnuDetect{&popFeatures};
    std::vector<std::string> clicks;
    ListWindow()
    {
        popFeatures.setCaption("Features");
        popFeatures.setVisible(false);
        mnuView0.setCaption("View");
        mnuView0_0.setCaption("List");
        mnuView0_1.setCaption("Details");
        zzmnuSep1.setCaption("-");
        mnuEdit.setCaption("Edit");
        mnuDetect.setCaption("Detect");
        mnuDetect.setEnabled(false);
        mnuView0_1.onClick([this] { clicks.push_back("Details"); });
        mnuEdit.onClick([this] { clicks.push_back("Edit"); });
        mnuDetect.onClick([this] { clicks.push_back("Detect"); });
    }
};

TEST(Prompter, PopupMenuRunsTheChosenItem)
{
    ScopedScriptedPrompter p;
    ListWindow w;
    p->answerPopup("Edit");
    p->answerPopup("View|Details");
    p->answerPopup("");
    p->answerPopup("Detect");   // disabled: nothing runs
    for (int i = 0; i < 4; ++i) w.PopupMenu(w.popFeatures);
    EXPECT_EQ(w.clicks, (std::vector<std::string>{"Edit", "Details"}));
    EXPECT_EQ(p->questions().size(), 4u);
    EXPECT_EQ(p->questions()[0].text, "Features");
    EXPECT_EQ(p->unexpected().size(), 1u);
    // A hidden top-level menu stays out of the menu bar.
    EXPECT_EQ(w.Height(), w.ScaleHeight() + w.frameHeightTwips());
}

} // namespace

namespace {

// Shows a real message box, reads its buttons' captions and presses the one
// at `press`; returns the captions (without access keys) and the answer.
std::pair<std::vector<std::string>, int> realBox(int style, int press)
{
    std::vector<std::string> captions;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (QAbstractButton* b : box->buttons())
            if (!b->isHidden())
                captions.push_back(b->text().remove('&').toStdString());
        std::sort(captions.begin(), captions.end());
        const auto all = box->buttons();
        for (QAbstractButton* b : all)
            if (b->text().remove('&').toStdString() == captions.at(static_cast<std::size_t>(press)))
                b->click();
    });
    QtPrompter real;
    const int answer = real.msgBox("Question", style, "Title");
    return {captions, answer};
}

} // namespace

TEST(Prompter, StandardButtonsSpeakTheProgramsLanguage)
{
    bool french = true;
    setPrompterFrench([&] { return french; });
    auto [yesNo, answer] = realBox(vbYesNo + vbQuestion, 1);   // sorted: Non, Oui
    EXPECT_EQ(yesNo, (std::vector<std::string>{"Non", "Oui"}));
    EXPECT_EQ(answer, vbYes);
    auto [okCancel, cancelled] = realBox(vbOKCancel, 0);       // Annuler, OK
    EXPECT_EQ(okCancel, (std::vector<std::string>{"Annuler", "OK"}));
    EXPECT_EQ(cancelled, vbCancel);
    EXPECT_EQ(realBox(vbYesNoCancel, 0).first, (std::vector<std::string>{"Annuler", "Non", "Oui"}));

    french = false;
    EXPECT_EQ(realBox(vbYesNo, 0).first, (std::vector<std::string>{"No", "Yes"}));
    EXPECT_EQ(realBox(vbOKCancel, 0).first, (std::vector<std::string>{"Cancel", "OK"}));

    // The input box's buttons too.
    french = true;
    std::vector<std::string> captions;
    QTimer::singleShot(0, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            for (QPushButton* b : w->findChildren<QPushButton*>())
                captions.push_back(b->text().remove('&').toStdString());
            QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
        }
    });
    QtPrompter real;
    EXPECT_FALSE(real.inputBox("Nom ?", "", "x"));
    std::sort(captions.begin(), captions.end());
    EXPECT_EQ(captions, (std::vector<std::string>{"Annuler", "OK"}));
    setPrompterFrench(nullptr);
}

// Escape and the close box go back: vbCancel, also on a Yes/No box, whose No
// may give something up. The buttons themselves answer as before.
TEST(Prompter, EscapeAndTheCloseBoxAnswerCancel)
{
    const auto dismiss = [](int style, bool escape) {
        QTimer::singleShot(0, [escape] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                if (escape)
                    QTest::keyClick(box, Qt::Key_Escape);
                else
                    box->close();
            }
        });
        QtPrompter real;
        return real.msgBox("Question", style, "Title");
    };
    for (const bool escape : {true, false}) {
        for (const auto& [style, answer] : {std::pair{vbYesNo + vbQuestion, vbCancel}, std::pair{vbYesNoCancel, vbCancel},
                                            std::pair{vbOKCancel, vbCancel}, std::pair{vbOKOnly, vbOK}})
            EXPECT_EQ(dismiss(style, escape), answer) << "style " << style << (escape ? " escape" : " close box");
    }
    EXPECT_EQ(realBox(vbYesNo, 0), std::pair(std::vector<std::string>{"No", "Yes"}, vbNo));
}

TEST(Prompter, MessageAndInputBoxesAreWideEnoughForTheirWholeTitle)
{
    // A short text and a long title: a window manager cuts the title to the
    // box's width ("Z... e"), so the box takes the title's width and room
    // for the title bar's buttons.
    const std::string title = "Zun Mp3 Karaoke - Synchronisation terminée";
    QFont bold = QApplication::font();
    bold.setBold(true);
    const int titleWidth = QFontMetrics(bold).horizontalAdvance(QString::fromStdString(title));
    int width = 0;
    const auto measureAndClose = [&] {
        QTimer::singleShot(0, [&] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                width = w->width();
                QMetaObject::invokeMethod(w, "accept", Qt::QueuedConnection);
            }
        });
    };
    QtPrompter real;
    measureAndClose();
    real.msgBox("OK", vbOKOnly, title);
    EXPECT_GE(width, titleWidth + 100);
    width = 0;
    measureAndClose();
    real.inputBox("Name:", title, "");
    EXPECT_GE(width, titleWidth + 100);
}

// A folder or a song may be named like markup: the message shows the name,
// never a live link that opens the browser.
TEST(Prompter, OutsideTextInMessagesIsShownAsPlainText)
{
    const std::string name = "<a href=\"http://example.invalid/\">party</a>.lst";
    const auto plainLabelsHolding = [&](QWidget* w) {
        int found = 0;
        for (QLabel* l : w->findChildren<QLabel*>()) {
            if (l->text().toStdString().find(name) == std::string::npos)
                continue;
            EXPECT_EQ(l->textFormat(), Qt::PlainText);
            ++found;
        }
        return found;
    };
    int inMessage = 0;
    QTimer::singleShot(0, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            inMessage = plainLabelsHolding(w);
            QMetaObject::invokeMethod(w, "accept", Qt::QueuedConnection);
        }
    });
    QtPrompter real;
    real.msgBox("Error while opening PlayList File " + name, vbOKOnly, "Error");
    EXPECT_EQ(inMessage, 1);

    int inPrompt = 0;
    QTimer::singleShot(0, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            inPrompt = plainLabelsHolding(w);
            QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
        }
    });
    real.inputBox("New name for " + name, "", "");
    EXPECT_EQ(inPrompt, 1);
}

// Runs `act` on the modal dialog that opens next.
static void onModal(const std::function<void(QWidget*)>& act)
{
    QTimer::singleShot(0, [act] {
        if (QWidget* w = QApplication::activeModalWidget())
            act(w);
    });
}

// Qt's own dialogs speak the program's language: its French catalogue comes and goes with it.
TEST(Prompter, QtsOwnDialogsSpeakTheProgramsLanguage)
{
    const QString catalogue = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_fr.qm";
    if (!QFile::exists(catalogue))
        GTEST_SKIP() << "Qt's French catalogue is not installed: " << catalogue.toStdString();
    bool french = true;
    setPrompterFrench([&] { return french; });
    QtPrompter real;
    FileDialogOptions o;
    o.filter = "lst (*.lst)|*.lst";
    const std::function<bool()> colour = [&] { return real.chooseColor(0, cdlCCFullOpen).has_value(); };
    const std::function<bool()> file = [&] { return real.openFile(o).has_value(); };
    for (const auto& [fr, open, cancel] : {std::tuple{true, colour, "Annuler"}, std::tuple{true, file, "Annuler"},
                                           std::tuple{false, colour, "Cancel"}}) {
        french = fr;
        QStringList captions;
        onModal([&](QWidget* w) {
            for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
                captions << b->text().remove('&');
            QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
        });
        EXPECT_FALSE(open());
        EXPECT_TRUE(captions.contains(cancel)) << captions.join('|').toStdString();
        EXPECT_EQ(toolkitSpeaksFrench(), fr);
    }
    setPrompterFrench(nullptr);
}

// The font dialog opens on the face the text is shown in: its family, also for
// a name the system maps to another family, and that family's style of the
// weight and slant drawn, whatever the order of the family's styles and the
// language of the dialog. OK without a change gives back what was given: the
// name, the size between whole points, and a bold the family has no face for.
TEST(Prompter, FontDialogOpensOnTheFaceShown)
{
    std::vector<std::string> names{"Comic Sans MS", "DejaVu Sans", "Arial", "Times New Roman"};
    // A family without a bold face, when one is installed: the system draws its bold.
    for (const QString& family : QFontDatabase::families()) {
        const QStringList styles = QFontDatabase::styles(family);
        if (!styles.isEmpty() && QFontInfo(QFont(family)).family() == family &&
            std::none_of(styles.begin(), styles.end(),
                         [&](const QString& s) { return QFontDatabase::font(family, s, 20).bold(); })) {
            names.push_back(family.toStdString());
            break;
        }
    }
    const bool catalogue =
        QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_fr.qm");
    bool french = false;
    setPrompterFrench([&] { return french; });
    QtPrompter real;
    for (const std::string& name : names)
        for (const bool bold : {false, true})
            for (const bool italic : {false, true})
                for (const bool fr : {false, catalogue}) {
                    SCOPED_TRACE(name + (bold ? " bold" : "") + (italic ? " italic" : "") + (fr ? " fr" : " en"));
                    french = fr;
                    const FontChoice start{name, 13.5, bold, italic};
                    QFont drawn(QString::fromStdString(name));
                    drawn.setBold(bold);
                    drawn.setItalic(italic);
                    const QString shown = QFontInfo(drawn).family();
                    // Whether the family has a face of that weight and slant to open on.
                    bool hasFace = false;
                    for (const QString& s : QFontDatabase::styles(shown)) {
                        const QFont face = QFontDatabase::font(shown, s, 20);
                        hasFace = hasFace || (face.bold() == bold && face.italic() == italic);
                    }
                    QFont opened;
                    onModal([&](QWidget* w) {
                        if (auto* d = qobject_cast<QFontDialog*>(w))
                            opened = d->currentFont();
                        QMetaObject::invokeMethod(w, "accept", Qt::QueuedConnection);
                    });
                    const std::optional<FontChoice> got = real.chooseFont(start);
                    EXPECT_EQ(opened.family().toStdString(), shown.toStdString());
                    if (hasFace) {
                        EXPECT_EQ(opened.bold(), bold) << opened.styleName().toStdString();
                        EXPECT_EQ(opened.italic(), italic) << opened.styleName().toStdString();
                    }
                    ASSERT_TRUE(got);
                    EXPECT_EQ(got->name, name);
                    EXPECT_EQ(got->size, 13.5);
                    EXPECT_EQ(got->bold, bold);
                    EXPECT_EQ(got->italic, italic);
                }
    setPrompterFrench(nullptr);

    // Another family chosen: its name, in the weight kept from the style.
    onModal([&](QWidget* w) {
        if (auto* d = qobject_cast<QFontDialog*>(w)) {
            QFont f = d->currentFont();
            f.setFamily(QStringLiteral("DejaVu Sans"));
            d->setCurrentFont(f);
        }
        QMetaObject::invokeMethod(w, "accept", Qt::QueuedConnection);
    });
    const std::optional<FontChoice> got = real.chooseFont({"Comic Sans MS", 20, true, false});
    ASSERT_TRUE(got);
    EXPECT_EQ(got->name, "DejaVu Sans");
    EXPECT_EQ(got->size, 20);
    EXPECT_TRUE(got->bold);
    EXPECT_FALSE(got->italic);
}
