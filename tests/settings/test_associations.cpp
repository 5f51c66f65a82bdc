// File-type associations: the desktop entry, the MIME package and the user's
// mimeapps.list, in folders of the test's own; and the dialog's button.
#include "config_fixture.h"

#include "platform/shell/associations.h"
#include "settings/associations.h"
#include "support/testdir.h"

#include <QProcess>
#include <QStandardPaths>

#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

using namespace modIni;

namespace {

// Points the desktop folders at a temporary folder and records the cache
// tools instead of running them.
class XdgHome {
public:
    XdgHome()
    {
        save("XDG_DATA_HOME", data_);
        save("XDG_CONFIG_HOME", config_);
        setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
        shell::setAssociationToolRunner(
            [this](const std::string& program, const std::vector<std::string>& args) { tools.emplace_back(program, args); });
    }
    ~XdgHome()
    {
        shell::setAssociationToolRunner(nullptr);
        restore("XDG_DATA_HOME", data_);
        restore("XDG_CONFIG_HOME", config_);
    }
    XdgHome(const XdgHome&) = delete;
    XdgHome& operator=(const XdgHome&) = delete;

    std::string read(const std::string& path) const { return testsupport::readFileBytes(path); }
    bool exists(const std::string& path) const { return std::filesystem::exists(path); }
    std::string writeMimeApps(const std::string& text) const
    {
        std::filesystem::create_directories(dir.file("config"));
        return dir.write("config/mimeapps.list", text);
    }

    testsupport::TempDir dir;
    std::vector<std::pair<std::string, std::vector<std::string>>> tools;

private:
    struct Saved {
        bool had = false;
        std::string value;
    };
    static void save(const char* name, Saved& s)
    {
        const char* v = std::getenv(name);
        s.had = v != nullptr;
        s.value = v ? v : "";
    }
    static void restore(const char* name, const Saved& s)
    {
        if (s.had)
            setenv(name, s.value.c_str(), 1);
        else
            unsetenv(name);
    }
    Saved data_, config_;
};

const std::string kProgram = "/opt/zun karaoke/zunkaraoke";

} // namespace

// ---------------------------------------------------------------- text of the files

TEST(AssociationText, ExecLineQuotesOnlyAPathThatNeedsIt)
{
    // A plain path stands bare: quotes around it make xdg-utils look for a
    // program named with the quotes.
    EXPECT_EQ(shell::desktopExecLine("/usr/bin/zunkaraoke"), "/usr/bin/zunkaraoke %f");
    EXPECT_EQ(shell::desktopExecLine("/home/me/zun-karaoke_2.1/build/zunkaraoke"),
              "/home/me/zun-karaoke_2.1/build/zunkaraoke %f");
    EXPECT_EQ(shell::desktopExecLine("/é/z"), "/é/z %f");
    EXPECT_EQ(shell::desktopExecLine("/100%/z"), "/100%%/z %f");
    // Reserved characters oblige the quotes.
    EXPECT_EQ(shell::desktopExecLine("/opt/zun karaoke/zunkaraoke"), "\"/opt/zun karaoke/zunkaraoke\" %f");
    for (const char* odd : {"/a'b", "/a~b", "/a;b", "/a&b", "/a(b)", "/a#b", "/a*b", "/a?b", "/a|b", "/a<b>"})
        EXPECT_EQ(shell::desktopExecLine(odd), "\"" + std::string(odd) + "\" %f") << odd;
    // Quoting escapes with a backslash, the file's string rules double it.
    EXPECT_EQ(shell::desktopExecLine("/a$b/c\"d"), "\"/a\\\\$b/c\\\\\"d\" %f");
    EXPECT_EQ(shell::desktopExecLine("/a`b"), "\"/a\\\\`b\" %f");
    EXPECT_EQ(shell::desktopExecLine("/a\\b"), "\"/a\\\\\\\\b\" %f");
    EXPECT_EQ(shell::desktopExecLine("/1 00%/z"), "\"/1 00%%/z\" %f");
    EXPECT_FALSE(shell::desktopExecLine(""));
    EXPECT_FALSE(shell::desktopExecLine("zunkaraoke"));
    EXPECT_FALSE(shell::desktopExecLine("/a=b/zunkaraoke"));   // "=" is not allowed in the program
    EXPECT_FALSE(shell::desktopExecLine("/a\nExec=/bin/sh"));
    EXPECT_FALSE(shell::desktopExecLine("/a\tb"));
    EXPECT_FALSE(shell::desktopExecLine(std::string("/a\0b", 4)));
}

TEST(AssociationText, MimeAppsListEditingKeepsTheUsersLines)
{
    const std::string user = "# my defaults\n"
                             "[Added Associations]\n"
                             "audio/mpeg=vlc.desktop;\n"
                             "\n"
                             "[Default Applications]\n"
                             "text/plain=gedit.desktop;\n"
                             "audio/mpeg = vlc.desktop;audacious.desktop\n"
                             "\n"
                             "[Removed Associations]\n"
                             "image/png=gimp.desktop;\n";
    const std::string added = shell::addDefaultApplication(user, "audio/mpeg", "zunkaraoke.desktop");
    EXPECT_EQ(shell::defaultApplications(added, "audio/mpeg"),
              (std::vector<std::string>{"zunkaraoke.desktop", "vlc.desktop", "audacious.desktop"}));
    // Adding twice changes nothing more.
    EXPECT_EQ(shell::addDefaultApplication(added, "audio/mpeg", "zunkaraoke.desktop"), added);

    // A new key goes at the end of its section, before the blank line.
    const std::string two = shell::addDefaultApplication(added, "audio/midi", "zunkaraoke.desktop");
    // Ours goes in front of the user's list, which stays as it was written.
    EXPECT_NE(two.find("audio/mpeg = zunkaraoke.desktop;vlc.desktop;audacious.desktop\n"
                       "audio/midi=zunkaraoke.desktop;\n\n[Removed Associations]"),
              std::string::npos)
        << two;

    const std::string back = shell::removeDefaultApplication(
        shell::removeDefaultApplication(two, "audio/midi", "zunkaraoke.desktop"), "audio/mpeg", "zunkaraoke.desktop");
    EXPECT_NE(back.find("# my defaults\n[Added Associations]\naudio/mpeg=vlc.desktop;\n\n[Default Applications]\n"
                        "text/plain=gedit.desktop;\n"),
              std::string::npos);
    EXPECT_NE(back.find("\n\n[Removed Associations]\nimage/png=gimp.desktop;\n"), std::string::npos);
    // Taken away, every byte of the user's file is back.
    EXPECT_EQ(back, user);
    // Removing what is not there changes nothing.
    EXPECT_EQ(shell::removeDefaultApplication(user, "audio/mpeg", "zunkaraoke.desktop"), user);

    // Whatever the file's line ends, blank lines and last line: back to the byte.
    for (const std::string& text :
         {std::string("[Default Applications]\naudio/midi=a.desktop"), std::string("x=y\n\n\n"),
          std::string("[Added Associations]\r\nx=y;\n[Default Applications]\r\naudio/midi = a.desktop ; b.desktop\r\n"),
          std::string("# no end"), std::string("[Default Applications]\n\ntext/plain=t.desktop;\n\n")}) {
        std::string added = text;
        for (const char* mime : {"audio/midi", "audio/mpeg"})
            added = shell::addDefaultApplication(added, mime, "zunkaraoke.desktop");
        EXPECT_EQ(shell::defaultApplications(added, "audio/midi").front(), "zunkaraoke.desktop") << added;
        std::string removed = added;
        for (const char* mime : {"audio/mpeg", "audio/midi"})
            removed = shell::removeDefaultApplication(removed, mime, "zunkaraoke.desktop");
        EXPECT_EQ(removed, text) << added;
    }
}

TEST(AssociationText, OddFilesDoNotBreakTheEditing)
{
    const std::string crlf = "[Added Associations]\r\ntext/plain=kate.desktop;\r\n";
    const std::string added = shell::addDefaultApplication(crlf, "audio/midi", "z.desktop");
    EXPECT_EQ(added, crlf + "\r\n[Default Applications]\r\naudio/midi=z.desktop;\r\n");
    EXPECT_EQ(shell::removeDefaultApplication(added, "audio/midi", "z.desktop"), crlf);

    for (const std::string& text : {std::string("\n\n\n"), std::string("[Default Applications"), std::string("=;;=\n"),
                                   std::string("[Default Applications]\n=x\naudio/midi\n;;;\n"),
                                   std::string("\0\xff\r\r\n", 5)}) {
        const std::string added = shell::addDefaultApplication(text, "audio/midi", "z.desktop");
        EXPECT_EQ(shell::defaultApplications(added, "audio/midi").front(), "z.desktop");
        const std::string removed = shell::removeDefaultApplication(added, "audio/midi", "z.desktop");
        EXPECT_TRUE(shell::defaultApplications(removed, "audio/midi").empty());
    }
}

// ---------------------------------------------------------------- whole associations

TEST(Associations, SyncFileAssociationWritesTheThreeFiles)
{
    XdgHome home;
    home.writeMimeApps("[Default Applications]\ntext/plain=gedit.desktop;\n");
    std::string error;
    ASSERT_TRUE(shell::associateFileType(".syk", kProgram, &error)) << error;
    EXPECT_TRUE(shell::isFileTypeAssociated(".syk"));
    EXPECT_FALSE(shell::isFileTypeAssociated(".kar"));

    EXPECT_EQ(shell::desktopFilePath(), home.dir.file("data") + "/applications/zunkaraoke.desktop");
    const std::string desktop = home.read(shell::desktopFilePath());
    EXPECT_NE(desktop.find("\nExec=\"/opt/zun karaoke/zunkaraoke\" %f\n"), std::string::npos) << desktop;
    EXPECT_NE(desktop.find("\nMimeType=application/x-zunkaraoke-syk;\n"), std::string::npos);

    const std::string package = home.read(shell::mimePackagePath());
    EXPECT_NE(package.find("<mime-type type=\"application/x-zunkaraoke-syk\">"), std::string::npos);
    EXPECT_NE(package.find("<glob pattern=\"*.syk\""), std::string::npos);
    EXPECT_NE(package.find("<glob pattern=\"*.sy1\""), std::string::npos);
    EXPECT_EQ(package.find("*.kar"), std::string::npos);

    EXPECT_EQ(home.read(shell::mimeAppsListPath()),
              "[Default Applications]\ntext/plain=gedit.desktop;\napplication/x-zunkaraoke-syk=zunkaraoke.desktop;\n");

    ASSERT_GE(home.tools.size(), 2u);
    EXPECT_EQ(home.tools[0].first, "update-mime-database");
    EXPECT_EQ(home.tools[0].second, std::vector<std::string>{home.dir.file("data") + "/mime"});
    EXPECT_EQ(home.tools[1].first, "update-desktop-database");
}

TEST(Associations, RemovingTakesAwayExactlyWhatWasAdded)
{
    XdgHome home;
    const std::string user = "[Default Applications]\naudio/midi=timidity.desktop;\naudio/mpeg=vlc.desktop;\n\n"
                             "[Added Associations]\naudio/midi=rosegarden.desktop;\n";
    home.writeMimeApps(user);
    for (const char* ext : {".kar", ".mid", ".mp3"})
        ASSERT_TRUE(shell::associateFileType(ext, kProgram));
    const std::string list = home.read(shell::mimeAppsListPath());
    EXPECT_EQ(shell::defaultApplications(list, "audio/midi"),
              (std::vector<std::string>{"zunkaraoke.desktop", "timidity.desktop"}));
    EXPECT_NE(home.read(shell::desktopFilePath()).find("MimeType=audio/x-zunkaraoke-kar;audio/midi;audio/mpeg;\n"),
              std::string::npos);
    EXPECT_NE(home.read(shell::mimePackagePath()).find("<sub-class-of type=\"audio/midi\"/>"), std::string::npos);

    ASSERT_TRUE(shell::removeFileTypeAssociation(".kar"));
    EXPECT_FALSE(shell::isFileTypeAssociated(".kar"));
    EXPECT_TRUE(shell::isFileTypeAssociated(".mid"));
    // No type of ours is left associated: the package goes.
    EXPECT_FALSE(home.exists(shell::mimePackagePath()));
    EXPECT_NE(home.read(shell::desktopFilePath()).find("MimeType=audio/midi;audio/mpeg;\n"), std::string::npos);

    ASSERT_TRUE(shell::removeFileTypeAssociation(".mid"));
    ASSERT_TRUE(shell::removeFileTypeAssociation(".mp3"));
    EXPECT_FALSE(home.exists(shell::desktopFilePath()));
    EXPECT_EQ(home.read(shell::mimeAppsListPath()), user);
    // Nothing left to remove is not a failure.
    EXPECT_TRUE(shell::removeFileTypeAssociation(".mp3"));
}

TEST(Associations, RefusalsAndFailures)
{
    XdgHome home;
    std::string error;
    EXPECT_FALSE(shell::associateFileType(".wav", kProgram, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(shell::associateFileType(".syk", "relative/zunkaraoke", &error));
    EXPECT_FALSE(home.exists(shell::desktopFilePath()));
    // The configuration folder is a file: mimeapps.list cannot be written.
    home.dir.write("config", "not a folder");
    error.clear();
    EXPECT_FALSE(shell::associateFileType(".mp3", kProgram, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(shell::isFileTypeAssociated(".mp3"));
}

TEST(Associations, ProgramPathWithAPercentSignIsRefused)
{
    // The desktop would refuse the entry: nothing is written, the failure said.
    XdgHome home;
    std::string error;
    EXPECT_FALSE(shell::associateFileType(".syk", "/opt/100%/zunkaraoke", &error));
    EXPECT_NE(error.find("\"%\""), std::string::npos) << error;
    EXPECT_FALSE(home.exists(shell::desktopFilePath()));
    EXPECT_FALSE(home.exists(shell::mimeAppsListPath()));
    EXPECT_FALSE(shell::isFileTypeAssociated(".syk"));
}

TEST(Associations, LinkedListIsEditedWhereItLives)
{
    XdgHome home;
    const std::string real = home.dir.write("dotfiles-mimeapps.list", "[Default Applications]\ntext/plain=vim.desktop;\n");
    std::filesystem::create_directories(home.dir.file("config"));
    std::filesystem::create_symlink(real, shell::mimeAppsListPath());
    ASSERT_TRUE(shell::associateFileType(".mp3", kProgram));
    EXPECT_TRUE(std::filesystem::is_symlink(shell::mimeAppsListPath()));
    EXPECT_EQ(shell::defaultApplications(home.read(real), "audio/mpeg"), std::vector<std::string>{"zunkaraoke.desktop"});
}

TEST(Associations, PackageIsReadByTheMimeDatabaseTool)
{
    if (QStandardPaths::findExecutable("update-mime-database").isEmpty())
        GTEST_SKIP() << "update-mime-database is not installed";
    XdgHome home;
    shell::setAssociationToolRunner(nullptr);  // run the real tool
    ASSERT_TRUE(shell::associateFileType(".kar", kProgram));
    ASSERT_TRUE(shell::associateFileType(".syk", kProgram));
    const std::string globs = home.read(home.dir.file("data") + "/mime/globs2");
    EXPECT_NE(globs.find("60:audio/x-zunkaraoke-kar:*.kar"), std::string::npos) << globs;
    EXPECT_NE(globs.find("60:application/x-zunkaraoke-syk:*.syk"), std::string::npos) << globs;
    EXPECT_NE(home.read(home.dir.file("data") + "/mime/subclasses").find("audio/x-zunkaraoke-kar audio/midi"),
              std::string::npos);
}

// ---------------------------------------------------------------- what the desktop's tools say

namespace {

// Runs a desktop tool in the test's environment (C locale, no desktop
// session, so xdg-utils takes its generic path) and returns its output.
std::string runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C");
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                             "XDG_MENU_PREFIX"})
        env.remove(name);
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(20000))
        return "(no answer)";
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed().toStdString();
}

std::string xdgDefault(const std::string& mime)
{
    return runTool("xdg-mime", {"query", "default", QString::fromStdString(mime)});
}

// The default application that GIO names, "" when none.
std::string gioDefault(const std::string& mime)
{
    const std::string out = runTool("gio", {"mime", QString::fromStdString(mime)});
    const auto first = out.substr(0, out.find('\n'));
    if (first.rfind("Default application", 0) != 0)
        return "";
    return first.substr(first.rfind(": ") + 2);
}

} // namespace

TEST(Associations, TheDesktopsOwnToolsNameOurEntryAndTheOldDefaultsComeBack)
{
    if (QStandardPaths::findExecutable("xdg-mime").isEmpty() || QStandardPaths::findExecutable("gio").isEmpty())
        GTEST_SKIP() << "xdg-mime (xdg-utils) or gio (libglib2.0-bin) is not installed";
    XdgHome home;
    shell::setAssociationToolRunner(nullptr);  // the real cache tools
    // Another program is the user's player for MIDI and MP3 songs.
    home.dir.write("data/applications/otherplayer.desktop",
                   "[Desktop Entry]\nType=Application\nName=Other Player\nExec=/bin/true %f\n"
                   "MimeType=audio/midi;audio/mpeg;\n");
    const std::string user = "[Added Associations]\naudio/midi=otherplayer.desktop;\n\n"
                             "[Default Applications]\naudio/midi=otherplayer.desktop;\naudio/mpeg=otherplayer.desktop;\n";
    home.writeMimeApps(user);
    ASSERT_EQ(xdgDefault("audio/midi"), "otherplayer.desktop");
    ASSERT_EQ(gioDefault("audio/midi"), "otherplayer.desktop");

    const std::string program = home.dir.write("bin/zunkaraoke", "#!/bin/sh\nexit 0\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    for (const char* ext : {".syk", ".kar", ".mid", ".mp3"})
        ASSERT_TRUE(shell::associateFileType(ext, program)) << ext;
    for (const char* ext : {".syk", ".kar", ".mid", ".mp3"}) {
        const std::string mime = shell::mimeTypeForExtension(ext);
        EXPECT_EQ(xdgDefault(mime), "zunkaraoke.desktop") << mime;
        EXPECT_EQ(gioDefault(mime), "zunkaraoke.desktop") << mime;
    }

    for (const char* ext : {".syk", ".kar", ".mid", ".mp3"})
        ASSERT_TRUE(shell::removeFileTypeAssociation(ext)) << ext;
    EXPECT_EQ(home.read(shell::mimeAppsListPath()), user);
    for (const char* mime : {"audio/midi", "audio/mpeg"}) {
        EXPECT_EQ(xdgDefault(mime), "otherplayer.desktop") << mime;
        EXPECT_EQ(gioDefault(mime), "otherplayer.desktop") << mime;
    }
    EXPECT_NE(gioDefault("application/x-zunkaraoke-syk"), "zunkaraoke.desktop");

    // A path that needs quotes is still one GIO starts.
    const std::string spaced = home.dir.write("my bin/zunkaraoke", "#!/bin/sh\nexit 0\n");
    std::filesystem::permissions(spaced, std::filesystem::perms::owner_all);
    ASSERT_TRUE(shell::associateFileType(".mid", spaced));
    EXPECT_EQ(gioDefault("audio/midi"), "zunkaraoke.desktop");
}

// ---------------------------------------------------------------- the dialog's button

TEST_F(ConfigTest, AssociateButtonAssociatesTheTickedTypes)
{
    XdgHome home;
    Config& c = open();
    c.Check_Syk.setValue(1);
    c.Label_Check_Mid.fireClick();
    prompter->answerMsgBox(vbOK);
    c.Command_Associer.press();
    EXPECT_EQ(prompter->questions().back().text, "Complèter...");
    EXPECT_TRUE(shell::isFileTypeAssociated(".syk"));
    EXPECT_TRUE(shell::isFileTypeAssociated(".mid"));
    EXPECT_FALSE(shell::isFileTypeAssociated(".kar"));
    EXPECT_FALSE(shell::isFileTypeAssociated(".mp3"));
    // Every type opens this program.
    const auto exec = shell::desktopExecLine(AssociationProgram());
    ASSERT_TRUE(exec);
    EXPECT_NE(home.read(shell::desktopFilePath()).find("Exec=" + *exec + "\n"), std::string::npos);
    EXPECT_EQ(c.Check_Syk.Value(), 1);  // the boxes keep their state
}

TEST_F(ConfigTest, FailedAssociationIsNotReportedAsDone)
{
    XdgHome home;
    home.dir.write("config", "not a folder");
    setIni("Setting", "Langue", "En");
    Config& c = open();
    c.Check_Kar.setValue(1);
    c.Check_Mp3.setValue(1);
    prompter->answerMsgBox(vbOK);
    c.Command_Associer.press();
    ASSERT_FALSE(prompter->questions().empty());
    const auto& q = prompter->questions().back();
    EXPECT_EQ(q.text, "Could not associate: .kar, .mp3");
    EXPECT_EQ(q.style & vbCritical, vbCritical);
}
