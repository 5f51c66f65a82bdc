// The drive and folder lists of the folder browser: the places a Linux user
// has, choosing the place of a path, opening folders, and the fall-back to
// the home folder when a folder has gone.
#include "platform/forms/filelists.h"

#include "platform/files/paths.h"
#include "support/testdir.h"

#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QTextDocument>
#include <QTreeWidget>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

struct Host : Container {
    QWidget* clientWidget() const override { return const_cast<QWidget*>(&w); }
    Form* parentForm() override { return nullptr; }
    QWidget w;
};

// Points HOME at a folder of the test for as long as it lives.
struct FakeHome {
    explicit FakeHome(const std::string& path)
    {
        if (const char* h = std::getenv("HOME"))
            old = h;
        setenv("HOME", path.c_str(), 1);
    }
    ~FakeHome() { setenv("HOME", old.c_str(), 1); }
    std::string old;
};

std::string noSlash(std::string p)
{
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    return p;
}

} // namespace

TEST(DriveListBox, ListsTheRootAndTheHomeFolderFirst)
{
    const auto roots = DriveListBox::systemRoots();
    ASSERT_GE(roots.size(), 1u);
    EXPECT_EQ(roots[0], "/");
    const std::string home = noSlash(paths::homeFolder());
    if (home != "/") {
        ASSERT_GE(roots.size(), 2u);
        EXPECT_EQ(roots[1], home);
    }
    for (size_t i = 2; i < roots.size(); ++i) {
        const std::string& r = roots[i];
        EXPECT_TRUE(r.rfind("/media/", 0) == 0 || r.rfind("/mnt/", 0) == 0 || r.rfind("/run/media/", 0) == 0)
            << r;
    }
}

TEST(DriveListBox, APathChoosesThePlaceThatHoldsIt)
{
    const std::vector<std::string> roots{"/", "/home/ann", "/media/ann/USB", "/media/ann/USB2"};
    const std::string home = "/home/ann";
    EXPECT_EQ(DriveListBox::pickRoot(roots, "/home/ann/Music/", home), "/home/ann");
    EXPECT_EQ(DriveListBox::pickRoot(roots, "/home/annie", home), "/");
    EXPECT_EQ(DriveListBox::pickRoot(roots, "/media/ann/USB2/Songs", home), "/media/ann/USB2");
    EXPECT_EQ(DriveListBox::pickRoot(roots, "/media/ann/USB", home), "/media/ann/USB");
    EXPECT_EQ(DriveListBox::pickRoot(roots, "/usr/share", home), "/");
    // The old drive form and relative paths stand for the home folder.
    EXPECT_EQ(DriveListBox::pickRoot(roots, "c:", home), "/home/ann");
    EXPECT_EQ(DriveListBox::pickRoot(roots, "D:\\Music\\", home), "/home/ann");
    EXPECT_EQ(DriveListBox::pickRoot(roots, "Music", home), "/home/ann");
    EXPECT_EQ(DriveListBox::pickRoot({"/home/ann"}, "/etc", home), "");
}

TEST(DriveListBox, ChangeRunsOnlyWhenTheChoiceChanges)
{
    testsupport::TempDir home;
    FakeHome fake(home.path().generic_string());
    Host host;
    DriveListBox Drive1(&host);
    int changes = 0;
    Drive1.onChange([&] { ++changes; });
    const std::string h = noSlash(home.path().generic_string());
    EXPECT_EQ(Drive1.Drive(), h);   // starts on the home folder
    Drive1.setDrive(h + "/sub/folder");
    EXPECT_EQ(changes, 0);
    Drive1.setDrive("/usr");
    EXPECT_EQ(Drive1.Drive(), "/");
    EXPECT_EQ(changes, 1);
    Drive1.setDrive("c:");
    EXPECT_EQ(Drive1.Drive(), h);
    EXPECT_EQ(changes, 2);
    // The user choosing from the list.
    auto* combo = qobject_cast<QComboBox*>(Drive1.widget());
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(0);
    EXPECT_EQ(Drive1.Drive(), "/");
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(Drive1.List(0), "/");
    EXPECT_EQ(Drive1.List(99), "");
}

struct DirListBoxTest : ::testing::Test {
    testsupport::TempDir home;
    testsupport::TempDir music;
    FakeHome fake{home.path().generic_string()};
    Host host;
    DirListBox Dir1{&host};
    std::vector<std::string> events;

    DirListBoxTest()
    {
        for (const char* d : {"Rock", "blues", "Zouk", ".hidden"})
            std::filesystem::create_directories(music.path() / d);
        music.write("song.mp3", "x");   // files are not folders
        Dir1.onChange([this] { events.push_back("Change " + Dir1.Path()); });
        Dir1.onClick([this] { events.push_back("Click " + std::to_string(Dir1.ListIndex())); });
    }
    std::string m() const { return noSlash(music.path().generic_string()); }
    QTreeWidget* tree() { return qobject_cast<QTreeWidget*>(Dir1.widget()); }
};

TEST_F(DirListBoxTest, ShowsTheSubFoldersSortedWithoutHiddenOnes)
{
    EXPECT_EQ(Dir1.Path(), noSlash(home.path().generic_string()));
    EXPECT_TRUE(Dir1.setPath(m() + "/"));
    EXPECT_EQ(Dir1.Path(), m());
    ASSERT_EQ(Dir1.ListCount(), 3);
    EXPECT_EQ(Dir1.List(0), m() + "/blues");
    EXPECT_EQ(Dir1.List(1), m() + "/Rock");
    EXPECT_EQ(Dir1.List(2), m() + "/Zouk");
    EXPECT_EQ(Dir1.List(-1), m());
    EXPECT_EQ(Dir1.List(-2), noSlash(std::filesystem::path(m()).parent_path().generic_string()));
    EXPECT_EQ(Dir1.List(3), "");
    EXPECT_EQ(Dir1.List(-1000), "");
    EXPECT_EQ(Dir1.ListIndex(), -1);
    EXPECT_EQ(events, (std::vector<std::string>{"Change " + m()}));
}

// A folder named like markup: its tool tip shows the name, not a link.
TEST_F(DirListBoxTest, AFolderNamedLikeMarkupIsShownAsItIs)
{
    const std::string name = "<a href=evil.html>party";   // a folder name holds no "/"
    std::filesystem::create_directories(music.path() / name);
    ASSERT_TRUE(Dir1.setPath(m() + "/" + name));
    QTreeWidgetItem* item = tree()->currentItem();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(0).toStdString(), name);
    QTextDocument shown;
    shown.setHtml(item->toolTip(0));
    EXPECT_EQ(shown.toPlainText().toStdString(), m() + "/" + name);
}

TEST_F(DirListBoxTest, ChangeRunsOnlyWhenTheFolderChanges)
{
    Dir1.setPath(m());
    Dir1.setPath(m() + "/");
    Dir1.setPath(m() + "/Rock/..");
    EXPECT_EQ(events.size(), 1u);
    Dir1.setPath("Rock");   // relative to the folder shown
    EXPECT_EQ(Dir1.Path(), m() + "/Rock");
    Dir1.setPath(m() + "\\Zouk\\");   // written on Windows
    EXPECT_EQ(Dir1.Path(), m() + "/Zouk");
    EXPECT_EQ(events.size(), 3u);

    // A folder whose name is not UTF-8 ("Caf\xE9" from an older system) is
    // listed by its bytes and opens.
    std::filesystem::create_directories(music.path() / "Zouk" / "Caf\xE9");
    Dir1.Refresh();
    ASSERT_EQ(Dir1.ListCount(), 1);
    EXPECT_EQ(Dir1.List(0), m() + "/Zouk/Caf\xE9");
    EXPECT_TRUE(Dir1.setPath(Dir1.List(0)));
    EXPECT_EQ(Dir1.Path(), m() + "/Zouk/Caf\xE9");
    EXPECT_EQ(Dir1.List(-2), m() + "/Zouk");
}

TEST_F(DirListBoxTest, AFolderThatIsGoneShowsTheHomeFolder)
{
    Dir1.setPath(m() + "/Rock");
    std::filesystem::remove(music.path() / "Rock");
    EXPECT_FALSE(Dir1.setPath(m() + "/Rock"));
    EXPECT_EQ(Dir1.Path(), noSlash(home.path().generic_string()));
    EXPECT_FALSE(Dir1.setPath("C:\\"));
    EXPECT_EQ(Dir1.Path(), noSlash(home.path().generic_string()));
    EXPECT_FALSE(Dir1.setPath(""));
    // A file is no folder either.
    EXPECT_FALSE(Dir1.setPath(m() + "/song.mp3"));
}

TEST_F(DirListBoxTest, SelectingIsAClickOpeningIsAChange)
{
    Dir1.setPath(m());
    events.clear();
    Dir1.setListIndex(1);
    EXPECT_EQ(Dir1.ListIndex(), 1);
    EXPECT_EQ(Dir1.Path(), m());
    EXPECT_EQ(events, (std::vector<std::string>{"Click 1"}));
    Dir1.setListIndex(7);   // out of range: ignored
    EXPECT_EQ(Dir1.ListIndex(), 1);

    // Enter on the selected line opens it (once the key is handled).
    events.clear();
    host.w.show();
    QTest::keyClick(tree(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(Dir1.Path(), m() + "/Rock");
    EXPECT_EQ(events, (std::vector<std::string>{"Change " + m() + "/Rock"}));
    EXPECT_EQ(Dir1.ListIndex(), -1);

    // A double-click on the parent line goes back up.
    events.clear();
    QApplication::processEvents();
    QTreeWidgetItem* parentLine = tree()->currentItem()->parent();
    ASSERT_NE(parentLine, nullptr);
    const QRect r = tree()->visualItemRect(parentLine);
    ASSERT_TRUE(r.isValid());
    // A real double-click: press, release, double-click, release.
    QWidget* vp = tree()->viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, r.center());
    QTest::mouseRelease(vp, Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(vp, Qt::LeftButton, {}, r.center());
    QTest::mouseRelease(vp, Qt::LeftButton, {}, r.center());
    QApplication::processEvents();
    EXPECT_EQ(Dir1.Path(), m());
}

TEST_F(DirListBoxTest, RefreshSeesNewFolders)
{
    Dir1.setPath(m());
    std::filesystem::create_directories(music.path() / "Jazz");
    EXPECT_EQ(Dir1.ListCount(), 3);
    Dir1.Refresh();
    EXPECT_EQ(Dir1.ListCount(), 4);
    EXPECT_EQ(Dir1.List(1), m() + "/Jazz");
}
