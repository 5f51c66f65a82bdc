// Application services: program folder, command line, colours, key codes,
// mouse events in twips, menus of the menu bar.
#include "platform/forms/app.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "support/testdir.h"

#include <QAction>
#include <QApplication>
#include <QPalette>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(App, PathIsTheProgramFolderAndCommandLineIsJoined)
{
    testsupport::ProgramDir dir;
    std::string p = App::Path();
    EXPECT_FALSE(p.empty());
    EXPECT_NE(p.back(), '/');
    EXPECT_EQ(std::filesystem::path(p), dir.path());

    char a0[] = "zunkaraoke", a1[] = "/music/My", a2[] = "Song.syk";
    char* argv[] = {a0, a1, a2};
    setCommandLine(3, argv);
    EXPECT_EQ(CommandLine(), "/music/My Song.syk");
    setCommandLine(1, argv);
    EXPECT_EQ(CommandLine(), "");

    // A song named like a toolkit option is kept from the toolkit and stays in its place.
    testsupport::TempDir songs;
    songs.write("-style=x.mp3", "");
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(songs.path());
    char b1[] = "/nowhere/a.kar", b2[] = "-style=x.mp3", b3[] = "-style=fusion";
    char* args[] = {a0, b1, b2, b3};
    std::vector<char*> left = toolkitArguments(4, args);
    std::filesystem::current_path(cwd);
    ASSERT_EQ(left, (std::vector<char*>{a0, b1, b3, nullptr}));
    left.erase(left.begin() + 2);  // what the toolkit takes
    std::filesystem::current_path(songs.path());
    setCommandLineAfterToolkit(4, args, static_cast<int>(left.size()) - 1, left.data());
    std::filesystem::current_path(cwd);
    EXPECT_EQ(CommandLine(), "/nowhere/a.kar -style=x.mp3");

    // After "--" every argument is the program's, a missing one too, and a
    // second "--" is a name; the first is no argument.
    char c1[] = "-style=fusion", c2[] = "--", c3[] = "-reverse.mp3", c4[] = "--";
    char* dashed[] = {a0, c1, c2, c3, c4};
    left = toolkitArguments(5, dashed);
    ASSERT_EQ(left, (std::vector<char*>{a0, c1, nullptr}));
    left.erase(left.begin() + 1);
    setCommandLineAfterToolkit(5, dashed, static_cast<int>(left.size()) - 1, left.data());
    EXPECT_EQ(CommandLine(), "-reverse.mp3 --");
}

TEST(App, ColoursAndSystemColours)
{
    EXPECT_EQ(RGB(1, 2, 3), 0x030201);
    EXPECT_EQ(RGB(300, -4, 255), 0xFF00FF);
    EXPECT_EQ(resolveColor(0x123456), 0x123456);
    QColor face = QApplication::palette().color(QPalette::Button);
    EXPECT_EQ(resolveColor(vbButtonFace), RGB(face.red(), face.green(), face.blue()));
    QColor light = QApplication::palette().color(QPalette::Light);
    EXPECT_EQ(resolveColor(vb3DHighlight), RGB(light.red(), light.green(), light.blue()));
    EXPECT_EQ(resolveColor(vbButtonShadow) & ~0xFFFFFFL, 0);
    EXPECT_EQ(QBColor(12), 0x0000FF);
    EXPECT_EQ(QBColor(99), 0);
}

TEST(App, KeyCodesFollowTheOldNumbers)
{
    EXPECT_EQ(keyCodeFromQt(Qt::Key_F5), 116);
    EXPECT_EQ(keyCodeFromQt(Qt::Key_F12), 123);
    EXPECT_EQ(keyCodeFromQt(Qt::Key_A), 65);
    EXPECT_EQ(keyCodeFromQt(Qt::Key_Delete), vbKeyDelete);
    EXPECT_EQ(keyCodeFromQt(Qt::Key_Enter), vbKeyReturn);
    EXPECT_EQ(keyCodeFromQt(Qt::Key_Control), 17);
    EXPECT_EQ(keyCodeFromQt(Qt::Key_unknown), 0);
    for (int code : {vbKeySpace, vbKeyDown, vbKeyHome, vbKeyF1, vbKeyZ, vbKey0, vbKeyEscape})
        EXPECT_EQ(keyCodeFromQt(qtKeyFromKeyCode(code)), code) << code;
    EXPECT_EQ(shiftFromQt(Qt::ShiftModifier | Qt::AltModifier), vbShiftMask | vbAltMask);
}

class PadForm : public Form {
public:
    Menu mnuFile{this};
    Menu mnuQuit{&mnuFile};
    PictureBox VolumeCtl{this};
    Label Label_ZunMp3{this};
    std::vector<std::string> log;
    PadForm()
    {
        mnuFile.setCaption("&File");
        mnuQuit.setCaption("&Quit");
        VolumeCtl.Move(150, 150, 1500, 300);
        Label_ZunMp3.Move(150, 900, 1500, 300);
        Label_ZunMp3.setCaption("");
        VolumeCtl.onMouseDown([this](int b, int s, float x, float y) {
            log.push_back("down " + std::to_string(b) + " " + std::to_string(s) + " " + std::to_string(int(x)) + " " +
                          std::to_string(int(y)));
        });
        VolumeCtl.onMouseMove([this](int b, int, float x, float) {
            log.push_back("move " + std::to_string(b) + " " + std::to_string(int(x)));
        });
        VolumeCtl.onMouseUp([this](int b, int, float, float) { log.push_back("up " + std::to_string(b)); });
        VolumeCtl.onClick([this] { log.push_back("click"); });
        Label_ZunMp3.onClick([this] { log.push_back("label"); });
    }
};

TEST(Mouse, EventsArriveInTwipsAndTheBoxKeepsTheMouseWhileHeld)
{
    PadForm f;
    f.Show();
    QWidget* w = f.VolumeCtl.widget();
    QTest::mousePress(w, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 4));
    QTest::mouseMove(w, QPoint(200, 4));   // outside the box, button held
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(200, 4));
    ASSERT_GE(f.log.size(), 3u);
    EXPECT_EQ(f.log.front(), "down 1 1 150 60");
    EXPECT_EQ(f.log[f.log.size() - 2], "move 1 3000");
    EXPECT_EQ(f.log.back(), "up 1");   // released outside: no Click

    f.log.clear();
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(f.log.back(), "click");
    // A label with no caption still takes clicks over its whole area.
    QTest::mouseClick(f.Label_ZunMp3.widget(), Qt::LeftButton, Qt::NoModifier, QPoint(90, 10));
    EXPECT_EQ(f.log.back(), "label");
}

TEST(Menus, AVisibleMenuTakesRoomAboveTheClientArea)
{
    PadForm f;
    int withMenu = f.Height() - f.ScaleHeight();
    EXPECT_GT(withMenu, f.frameHeightTwips());
    int client = f.ScaleHeight();
    f.mnuFile.setVisible(false);
    EXPECT_EQ(f.Height() - f.ScaleHeight(), f.frameHeightTwips());
    EXPECT_EQ(f.ScaleHeight(), client);   // the client area keeps its size
    int quits = 0;
    f.mnuQuit.onClick([&] { ++quits; });
    f.mnuQuit.action()->trigger();
    EXPECT_EQ(quits, 1);
    f.mnuQuit.setEnabled(false);
    f.mnuQuit.action()->trigger();
    EXPECT_EQ(quits, 1);
    // A "-" item is a bare line: no text drawn beside it.
    Menu line{&f.mnuFile};
    line.setCaption("-");
    EXPECT_TRUE(line.action()->isSeparator());
    EXPECT_TRUE(line.action()->text().isEmpty());
    EXPECT_EQ(line.Caption(), "-");
}

TEST(Forms, StatesAndVisibility)
{
    PadForm f;
    EXPECT_FALSE(f.Visible());
    EXPECT_FALSE(f.loaded());
    f.Show();   // showing loads it
    EXPECT_TRUE(f.loaded());
    EXPECT_TRUE(f.Visible());
    f.setWindowState(vbMaximized);
    EXPECT_EQ(f.WindowState(), vbMaximized);
    f.setWindowState(vbNormal);
    EXPECT_EQ(f.WindowState(), vbNormal);
    f.SetTopMost(true);
    EXPECT_TRUE(f.Visible());   // changing the window's flags keeps it shown
    EXPECT_TRUE(f.TopMost());
    EXPECT_TRUE(Unload(f));
    EXPECT_FALSE(f.Visible());
    EXPECT_TRUE(Unload(f));     // twice is harmless
}

} // namespace
