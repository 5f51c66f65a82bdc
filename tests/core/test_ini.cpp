#include "core/modini.h"
#include "core/oldprogramfiles.h"
#include "platform/forms/prompter.h"
#include "platform/files/paths.h"
#include "support/testdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::ProgramDir;
using testsupport::readFileBytes;
using modIni::IniAccess;

namespace {

// Counts the "INI File Error" boxes instead of showing them.
struct IniErrorCounter {
    int boxes = 0;
    std::string lastPath;
    IniErrorCounter()
    {
        modIni::ResetIniErrorShown();
        modIni::IniErrorBox = [this](const std::string& p) {
            ++boxes;
            lastPath = p;
        };
    }
    ~IniErrorCounter()
    {
        modIni::IniErrorBox = nullptr;
        modIni::ResetIniErrorShown();
    }
};

std::string expectedDefaultFile()
{
    const std::string h = paths::homeFolder();
    return "[Path]\r\nPath=" + h + "\r\nPath Mp3=" + h + "\r\nPath syk=" + h +
           "\r\nPath Lst=\r\nPath Image=\r\nPath PgmImage=@ZunMp3\r\n\r\n"
           "[Setting]\r\nSetup=0\r\nButtomColor=15788257\r\nListColor=16777215\r\n"
           "PgmColor=14865093\r\nTheme=1\r\nFrezeDeskTop=1\r\nListView=2\r\nGridLines=0\r\n"
           "SSTab=0\r\nLangue=Fr\r\nCheckUpd=0\r\nNextUpd=1\r\nMidiOut=-1\r\n\r\n"
           "[Player Windows]\r\nTop=75\r\nLeft=150\r\n\r\n"
           "[Record Windows]\r\nTop=75\r\nLeft=150\r\nCheck_Scrole=1\r\n\r\n"
           "[Kar Windows]\r\nTop=6705\r\nLeft=150\r\nHeight=2775\r\nWidth=10875\r\n"
           "FontColor=16744448\r\nFontColorActif=255\r\nFontColorPassif=12615680\r\n"
           "BackColor=11860476\r\nShadowColor=0\r\nFontName=Comic Sans MS\r\nFontSize=26\r\n"
           "FontBold=1\r\nNbLigne=2\r\nNbLigneNeg=0\r\nAutoH=0\r\nShowMenu=1\r\nScroll=0\r\n"
           "Ball=1\r\nBallColor=65535\r\nBallSize=175\r\nCountDown=1\r\nCountDownSize=12\r\n"
           "CountDownColor=16711680\r\nCountDownBar = 1\r\nShadowH=30\r\nShadowV=30\r\n\r\n"
           "[CfgKaraoke Windows]\r\nTop=360\r\nLeft=705\r\n\r\n";
}

} // namespace

TEST(IniAccess, MissingFileIsRecreatedWithEveryDefault)
{
    ProgramDir dir;
    IniErrorCounter errors;
    EXPECT_EQ(modIni::IniPath(), dir.file("PlaySyk.ini"));
    EXPECT_EQ(IniAccess("GET", "Setting", "Langue"), "Fr");
    EXPECT_EQ(readFileBytes(dir.file("PlaySyk.ini")), expectedDefaultFile());
    EXPECT_EQ(modIni::DefaultIniText(), expectedDefaultFile());
    // Names match without regard to case, and blanks around them do not count.
    EXPECT_EQ(IniAccess("GET", "Kar Windows", "CountDownBar"), "1");
    EXPECT_EQ(IniAccess("GET", "path", "Path Syk"), paths::homeFolder());
    EXPECT_EQ(IniAccess("get", "SETTING", "midiout"), "-1");
    EXPECT_EQ(errors.boxes, 0);
}

TEST(IniAccess, ReadRules)
{
    ProgramDir dir;
    dir.write("PlaySyk.ini", "[Path]\r\nPath Lst=\r\nLong=" + std::string(150, 'a') +
                                 "\r\nOdd=Failed once\r\n[Setting]\r\n");
    EXPECT_EQ(IniAccess("GET", "Path", "Path Lst"), "");
    EXPECT_EQ(IniAccess("GET", "Path", "Long"), std::string(150, 'a')); // the whole value
    EXPECT_EQ(IniAccess("GET", "Path", "Odd"), "");      // a value beginning "Failed" reads as missing
    EXPECT_EQ(IniAccess("GET", "Setting", "Langue"), ""); // a missing key: the file is not rewritten
    EXPECT_EQ(IniAccess("GET", "Nowhere", "Langue"), "");
    EXPECT_EQ(readFileBytes(dir.file("PlaySyk.ini")).substr(0, 7), "[Path]\r");
    // Unknown modes read nothing.
    EXPECT_EQ(IniAccess("READ", "Path", "Long"), "");
}

TEST(IniAccess, ErrorTextsAndWrites)
{
    ProgramDir dir;
    EXPECT_EQ(IniAccess("", "S", "K"), "ERROR MODE");
    EXPECT_EQ(IniAccess("GET", "", "K"), "ERROR Secname");
    EXPECT_EQ(IniAccess("GET", "S", ""), "ERROR Keyname");
    EXPECT_FALSE(paths::isFile(dir.file("PlaySyk.ini"))); // those tests touch no file
    // An unknown mode reads nothing, but a missing file is still recreated.
    EXPECT_EQ(IniAccess("READ", "Setting", "Langue"), "");
    EXPECT_TRUE(paths::isFile(dir.file("PlaySyk.ini")));

    EXPECT_EQ(IniAccess("WRITE", "Setting", "Langue"), "ERROR KeyValue");
    const std::string before = readFileBytes(dir.file("PlaySyk.ini"));
    EXPECT_EQ(IniAccess("WRITE", "Setting", "Langue", ""), "ERROR KeyValue");
    EXPECT_EQ(readFileBytes(dir.file("PlaySyk.ini")), before);

    EXPECT_EQ(IniAccess("write", "Setting", "Langue", "En"), "");
    EXPECT_EQ(IniAccess("WRITE", "Kar Windows", "CountDownBar", "0"), "");
    EXPECT_EQ(IniAccess("WRITE", "Kar Windows", "Top", 4500), "");
    EXPECT_EQ(IniAccess("WRITE", "Kar Windows", "Width", 1234.5), "");
    EXPECT_EQ(IniAccess("WRITE", "Path", "Path MP3", "/music/"), "");
    EXPECT_EQ(IniAccess("WRITE", "Brand New", "Key", 1L), "");

    EXPECT_EQ(IniAccess("GET", "Setting", "Langue"), "En");
    EXPECT_EQ(IniAccess("GET", "Kar Windows", "CountDownBar"), "0");
    EXPECT_EQ(IniAccess("GET", "Kar Windows", "Width"), "1234.5");
    EXPECT_EQ(IniAccess("GET", "Path", "Path Mp3"), "/music/");
    EXPECT_EQ(IniAccess("GET", "brand new", "key"), "1");

    const std::string after = readFileBytes(dir.file("PlaySyk.ini"));
    EXPECT_NE(after.find("Langue=En\r\n"), std::string::npos);
    EXPECT_NE(after.find("CountDownBar=0\r\n"), std::string::npos);
    EXPECT_NE(after.find("Top=4500\r\nLeft=150\r\nHeight=2775"), std::string::npos); // in place
    EXPECT_EQ(after.find("Path MP3"), std::string::npos);                            // one key, two spellings
    EXPECT_TRUE(after.ends_with("CfgKaraoke Windows]\r\nTop=360\r\nLeft=705\r\n\r\n"
                                "[Brand New]\r\nKey=1\r\n\r\n"));
}

TEST(IniAccess, ReadOnlyFileIsMadeWritableAndWritten)
{
    ProgramDir dir;
    const auto ini = dir.write("PlaySyk.ini", "[Setting]\r\nLangue=Fr\r\n");
    ::chmod(ini.c_str(), 0444);
    EXPECT_EQ(IniAccess("READ", "Setting", "Langue"), "");
    EXPECT_EQ(paths::getFileAttributes(ini), paths::kAttrArchive);
    ::chmod(ini.c_str(), 0444);
    EXPECT_EQ(IniAccess("WRITE", "Setting", "Langue", "En"), "");
    EXPECT_EQ(IniAccess("GET", "Setting", "Langue"), "En");
    EXPECT_EQ(paths::getFileAttributes(ini), paths::kAttrArchive);
}

TEST(IniAccess, UnreadableFileIsNeverRewrittenAndTheFailedSaveIsSaid)
{
    ProgramDir dir;
    const std::string old = "[Setting]\r\nLangue=En\r\nTheme=3\r\n\r\n"
                            "[Kar Windows]\r\nTop=4500\r\nFontName=DejaVu Sans\r\n";
    const auto ini = dir.write("PlaySyk.ini", old);
    ASSERT_EQ(::chmod(ini.c_str(), 0200), 0);
    modIni::TakeIniWriteFailure();
    {
        testsupport::ObeyFileModes asUser;
        if (!asUser.active())
            GTEST_SKIP() << "file modes cannot be obeyed here";
        EXPECT_EQ(IniAccess("WRITE", "Setting", "Langue", "Fr"), "");
    }
    // The dialogs that save settings tell the user that they were not stored.
    EXPECT_EQ(modIni::TakeIniWriteFailure(), "the file cannot be read: it is not rewritten, so that nothing it holds is lost.");
    ASSERT_EQ(::chmod(ini.c_str(), 0600), 0);
    EXPECT_EQ(readFileBytes(ini), old);
}

TEST(IniAccess, FileThatCannotBeCreatedShowsOneBox)
{
    ProgramDir dir;
    IniErrorCounter errors;
    // A folder stands where the settings file should be.
    ASSERT_EQ(::mkdir(dir.file("PlaySyk.ini").c_str(), 0755), 0);
    EXPECT_EQ(IniAccess("GET", "Setting", "Langue"), "");
    EXPECT_EQ(IniAccess("WRITE", "Setting", "Langue", "En"), "");
    EXPECT_EQ(IniAccess("GET", "Kar Windows", "Top"), "");
    EXPECT_EQ(errors.boxes, 1);
    EXPECT_EQ(errors.lastPath, dir.file("PlaySyk.ini"));
}

TEST(IniAccess, HostileSettingsFileNeverCrashes)
{
    ProgramDir dir;
    std::string junk = "[Setting\r\n=\r\n[[[]]]\r\n";
    junk += std::string("\0\0\0", 3) + "\r\n[Setting]\r\nLangue=E";
    junk += std::string("\0n", 2) + "\r\nHuge=" + std::string(200000, '9') + "\rNoEquals\n\xFF\xFE";
    dir.write("PlaySyk.ini", junk);
    EXPECT_EQ(IniAccess("GET", "Setting", "Langue"), "E");
    EXPECT_EQ(IniAccess("GET", "Setting", "Huge"), std::string(200000, '9'));
    EXPECT_EQ(IniAccess("GET", "Setting", "NoEquals"), "");
    EXPECT_EQ(IniAccess("WRITE", "Setting", "Theme", "3"), "");
    EXPECT_EQ(IniAccess("GET", "Setting", "Theme"), "3");
}

TEST(ColourParts, SplitBgrValues)
{
    using modIni::GetColorPart;
    EXPECT_EQ(GetColorPart("16744448", "gcRed"), 0);
    EXPECT_EQ(GetColorPart("16744448", "gcGreen"), 128);
    EXPECT_EQ(GetColorPart("16744448", "gcBlue"), 255);
    EXPECT_EQ(GetColorPart("255", "gcRed"), 255);
    EXPECT_EQ(GetColorPart("255", "gcGreen"), 0);
    EXPECT_EQ(GetColorPart("0", "gcBlue"), 0);
    EXPECT_EQ(GetColorPart("15788257", "gcRed"), 225);
    EXPECT_EQ(GetColorPart("15788257", "gcGreen"), 232);
    EXPECT_EQ(GetColorPart("15788257", "gcBlue"), 240);
    EXPECT_EQ(GetColorPart("16744448", "red"), 0);
    EXPECT_EQ(GetColorPart("16744448", "GCBLUE"), 0);
    // Wider than 24 bits: the low 24 bits are the colour.
    EXPECT_EQ(GetColorPart("4294967295", "gcBlue"), 255);
    EXPECT_EQ(GetColorPart(-1L, "gcGreen"), 255);
    EXPECT_EQ(GetColorPart("", "gcRed"), 0);

    modIni::DecimalComma = true;
    modIni::CheckDecimalSep();
    EXPECT_FALSE(modIni::DecimalComma);
}

// ---- another running player holding the settings lock

namespace {

// A second process that holds the settings lock until it is ended.
class LockHolder {
public:
    explicit LockHolder(const std::string& ini)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            const int fd = ::open((ini + ".lock").c_str(), O_RDWR | O_CREAT, 0666);
            const char ok = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? '1' : '0';
            (void)!::write(ready[1], &ok, 1);
            for (;;)
                ::pause();
        }
        char ok = '0';
        if (pid_ > 0)
            (void)!::read(ready[0], &ok, 1);
        holding_ = ok == '1';
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~LockHolder() { release(); }
    bool holding() const { return holding_; }
    void release()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
    bool holding_ = false;
};

double secondsSince(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

} // namespace

TEST(SettingsLock, AnotherPlayerHoldingTheSettingsIsAskedAboutOnceNeverWaitedForKeyByKey)
{
    ProgramDir dir;
    modIni::Langue = "En";
    EXPECT_EQ(IniAccess("WRITE", "Setting", "Theme", "1"), "");
    LockHolder other(modIni::IniPath());
    ASSERT_TRUE(other.holding());
    ScopedScriptedPrompter prompter;

    // A dialog's Save: many keys in a row. One short wait, one question;
    // "Abort" leaves the file as it was and says why.
    modIni::TakeIniWriteFailure();
    prompter->answerMsgBox(vbAbort);
    auto t0 = std::chrono::steady_clock::now();
    for (int k = 0; k < 6; ++k)
        IniAccess("WRITE", "Setting", "Key" + std::to_string(k), "v");
    EXPECT_LT(secondsSince(t0), 2.0);
    ASSERT_EQ(prompter->questions().size(), 1u);
    EXPECT_EQ(prompter->questions()[0].style, vbAbortRetryIgnore + vbExclamation);
    EXPECT_NE(prompter->questions()[0].text.find("Another running"), std::string::npos);
    EXPECT_NE(prompter->questions()[0].text.find(modIni::IniPath()), std::string::npos);
    EXPECT_EQ(IniAccess("GET", "Setting", "Key0"), "");
    EXPECT_EQ(IniAccess("GET", "Setting", "Key5"), "");  // nor the rest of the Save
    EXPECT_NE(modIni::TakeIniWriteFailure().find("another running player"), std::string::npos);

    // The next Save asks again; "Ignore" writes every key, asked once.
    prompter->answerMsgBox(vbIgnore);
    t0 = std::chrono::steady_clock::now();
    for (int k = 0; k < 6; ++k)
        IniAccess("WRITE", "Setting", "Key" + std::to_string(k), "v" + std::to_string(k));
    EXPECT_LT(secondsSince(t0), 2.0);
    EXPECT_EQ(prompter->questions().size(), 2u);
    EXPECT_EQ(IniAccess("GET", "Setting", "Key5"), "v5");
    EXPECT_EQ(modIni::TakeIniWriteFailure(), "");

    // "Retry" tries again and asks again while the lock is still held.
    modIni::TakeIniWriteFailure();
    prompter->answerMsgBox(vbRetry);
    prompter->answerMsgBox(vbAbort);
    IniAccess("WRITE", "Setting", "Theme", "4");
    EXPECT_EQ(prompter->questions().size(), 4u);
    EXPECT_EQ(IniAccess("GET", "Setting", "Theme"), "1");
    // Once the other player has let go, writes go through without a word.
    other.release();
    modIni::TakeIniWriteFailure();
    IniAccess("WRITE", "Setting", "Theme", "5");
    EXPECT_EQ(prompter->questions().size(), 4u);
    EXPECT_EQ(IniAccess("GET", "Setting", "Theme"), "5");
}

// A link (never followed) or a folder at the lock's name is said once a burst, as a held lock is.
TEST(SettingsLock, ALockThatCannotBeTakenIsSaidOnceAndNoLinkIsFollowed)
{
    ProgramDir dir;
    modIni::Langue = "En";
    EXPECT_EQ(IniAccess("WRITE", "Setting", "Theme", "1"), "");
    const std::string lock = modIni::IniPath() + ".lock", elsewhere = dir.file("elsewhere");
    namespace fs = std::filesystem;
    ScopedScriptedPrompter prompter;
    for (const std::string what : {"symbolic link", "folder"}) {
        fs::remove(lock);
        what == "folder" ? (void)fs::create_directory(lock) : fs::create_symlink(elsewhere, lock);
        const auto key = [&](int k) { return what.substr(0, 1) + std::to_string(k); };
        const std::size_t asked = prompter->questions().size();
        modIni::TakeIniWriteFailure();
        prompter->answerMsgBox(vbAbort);
        for (int k = 0; k < 6; ++k)
            IniAccess("WRITE", "Setting", key(k), "v");
        ASSERT_EQ(prompter->questions().size(), asked + 1);
        EXPECT_EQ(prompter->questions().back().style, vbAbortRetryIgnore + vbExclamation);
        EXPECT_EQ(prompter->questions().back().text.rfind(
                      "The settings lock cannot be taken:\n" + lock + "\nit is a " + what + ".\n", 0),
                  0u);
        EXPECT_EQ(IniAccess("GET", "Setting", key(0)), "");
        EXPECT_EQ(IniAccess("GET", "Setting", "Theme"), "1");
        EXPECT_EQ(modIni::TakeIniWriteFailure(), "the settings lock cannot be taken.");
        // "Ignore" writes them all, asked once.
        prompter->answerMsgBox(vbIgnore);
        for (int k = 0; k < 6; ++k)
            IniAccess("WRITE", "Setting", key(k), "v" + std::to_string(k));
        EXPECT_EQ(prompter->questions().size(), asked + 2);
        EXPECT_EQ(IniAccess("GET", "Setting", key(5)), "v5");
        EXPECT_FALSE(fs::exists(fs::symlink_status(elsewhere)));
    }
    modIni::TakeIniWriteFailure(); // the next test's writes are a new round
}

// ---- where the settings live without ZUNKARAOKE_DIR

namespace {

// A user's home with no ZUNKARAOKE_DIR and the default configuration folder.
struct FreshHome {
    testsupport::TempDir dir;
    testsupport::ScopedEnv noDir{"ZUNKARAOKE_DIR", nullptr};
    testsupport::ScopedEnv home{"HOME", dir.file("home").c_str()};
    testsupport::ScopedEnv config{"XDG_CONFIG_HOME", nullptr};
    std::string folder() const { return dir.file("home/.config/zunkaraoke"); }
};

} // namespace

TEST(ProgramFolder, FreshStartWritesToTheUsersConfigurationFolder)
{
    FreshHome h;
    EXPECT_EQ(modIni::IniPath(), h.folder() + "/PlaySyk.ini");
    EXPECT_EQ(IniAccess("WRITE", "Setting", "Langue", "En"), "");
    EXPECT_NE(readFileBytes(h.folder() + "/PlaySyk.ini").find("Langue=En\r\n"), std::string::npos);
}

TEST(ProgramFolder, SettingsBesideTheExecutableAreCopiedOnceAndTheUserIsTold)
{
    FreshHome h;
    const std::string old = h.dir.file("build");
    h.dir.write("build/PlaySyk.ini", "[Path]\r\nPath Lst=" + old + "/ZunMp3Syk.lst\r\nPath Image=" + old +
                                         "/back.jpg\r\n[Setting]\r\nLangue=Fr\r\nTheme=3\r\n");
    h.dir.write("build/ZunMp3Syk.lst", "A;B;3:00;Pop;/m/a.mp3;N;0;;;;;;\r\n");
    h.dir.write("build/back.jpg", "jpeg bytes");
    ScopedScriptedPrompter prompter;
    prompter->answerMsgBox(vbOK);
    modIni::AdoptOldProgramFiles(old);

    ASSERT_EQ(prompter->questions().size(), 1u);
    const std::string told = prompter->questions()[0].text;
    EXPECT_NE(told.find(old), std::string::npos);
    EXPECT_NE(told.find(h.folder()), std::string::npos);
    EXPECT_NE(told.find("a été copié dans"), std::string::npos);   // in the language of the settings
    EXPECT_NE(told.find("ZunMp3Syk.lst"), std::string::npos);
    EXPECT_EQ(IniAccess("GET", "Setting", "Theme"), "3");
    EXPECT_EQ(IniAccess("GET", "Path", "Path Lst"), h.folder() + "/ZunMp3Syk.lst");
    EXPECT_EQ(IniAccess("GET", "Path", "Path Image"), h.folder() + "/back.jpg");
    EXPECT_EQ(readFileBytes(h.folder() + "/ZunMp3Syk.lst"), "A;B;3:00;Pop;/m/a.mp3;N;0;;;;;;\r\n");
    EXPECT_EQ(readFileBytes(h.folder() + "/back.jpg"), "jpeg bytes");

    // Once: later starts keep the user's newer settings and say nothing.
    IniAccess("WRITE", "Setting", "Theme", "5");
    modIni::AdoptOldProgramFiles(old);
    EXPECT_EQ(prompter->questions().size(), 1u);
    EXPECT_EQ(IniAccess("GET", "Setting", "Theme"), "5");
    EXPECT_EQ(readFileBytes(old + "/PlaySyk.ini").find("Theme=5"), std::string::npos);
}

TEST(ProgramFolder, NothingIsCopiedWhenTheVariableChoosesTheFolderOrThereIsNothingOld)
{
    FreshHome h;
    ScopedScriptedPrompter prompter;
    modIni::AdoptOldProgramFiles(h.dir.file("empty"));   // no old settings
    h.dir.write("build/PlaySyk.ini", "[Setting]\r\nTheme=3\r\n");
    {
        ProgramDir chosen;
        modIni::AdoptOldProgramFiles(h.dir.file("build"));
        EXPECT_FALSE(paths::isFile(chosen.file("PlaySyk.ini")));
    }
    // The folder already has settings: they win, nothing is said.
    h.dir.write("home/.config/zunkaraoke/PlaySyk.ini", "[Setting]\r\nTheme=7\r\n");
    modIni::AdoptOldProgramFiles(h.dir.file("build"));
    EXPECT_TRUE(prompter->questions().empty());
    EXPECT_EQ(IniAccess("GET", "Setting", "Theme"), "7");
}

TEST(ProgramFolder, OldFilesAreCopiedWithoutWritingOverOthersAndWhatWasNotIsSaid)
{
    FreshHome h;
    const std::string old = h.dir.file("build");
    const std::string oldIni = "[Path]\r\nPath Lst=\r\n[Setting]\r\nLangue=En\r\nTheme=3\r\n";
    const std::string oldList = "A;B;3:00;Pop;/m/a.mp3;N;0;;;;;;\r\n";
    h.dir.write("build/PlaySyk.ini", oldIni);
    h.dir.write("build/ZunMp3Syk.lst", oldList);
    // The new folder already holds another default list (no settings yet).
    const std::string otherList = "C;D;2:00;Rock;/m/c.mp3;N;0;;;;;;\r\n";
    h.dir.write("home/.config/zunkaraoke/ZunMp3Syk.lst", otherList);
    ScopedScriptedPrompter prompter;
    modIni::AdoptOldProgramFiles(old);

    // The old list is copied beside the other one, and the settings show it.
    EXPECT_EQ(readFileBytes(h.folder() + "/ZunMp3Syk.lst"), otherList);
    EXPECT_EQ(readFileBytes(h.folder() + "/ZunMp3Syk-old.lst"), oldList);
    EXPECT_EQ(IniAccess("GET", "Path", "Path Lst"), h.folder() + "/ZunMp3Syk-old.lst");
    ASSERT_EQ(prompter->questions().size(), 1u);
    const std::string told = prompter->questions()[0].text;
    EXPECT_NE(told.find("PlaySyk.ini"), std::string::npos);
    EXPECT_NE(told.find("ZunMp3Syk.lst, copied as ZunMp3Syk-old.lst"), std::string::npos);
    // The old files are left as they were.
    EXPECT_EQ(readFileBytes(old + "/PlaySyk.ini"), oldIni);
    EXPECT_EQ(readFileBytes(old + "/ZunMp3Syk.lst"), oldList);
}

TEST(ProgramFolder, AnotherPlayerHoldingTheNewSettingsIsAskedAboutOnceWhileTheOldOnesAreCopied)
{
    FreshHome h;
    const std::string old = h.dir.file("build");
    h.dir.write("build/PlaySyk.ini", "[Path]\r\nPath Lst=" + old + "/ZunMp3Syk.lst\r\nPath Image=" + old +
                                         "/back.jpg\r\n[Setting]\r\nLangue=En\r\n");
    h.dir.write("build/ZunMp3Syk.lst", "A;B;3:00;Pop;/m/a.mp3;N;0;;;;;;\r\n");
    h.dir.write("build/back.jpg", "jpeg bytes");
    std::filesystem::create_directories(h.folder());
    LockHolder other(h.folder() + "/PlaySyk.ini");
    ASSERT_TRUE(other.holding());
    ScopedScriptedPrompter prompter;
    modIni::TakeIniWriteFailure();
    prompter->answerMsgBox(vbIgnore);
    prompter->answerMsgBox(vbOK);
    // The paths that follow the copied files: one short wait and one
    // question, never a wait per key on the window's thread.
    const auto t0 = std::chrono::steady_clock::now();
    modIni::AdoptOldProgramFiles(old);
    EXPECT_LT(secondsSince(t0), 2.0);
    ASSERT_EQ(prompter->questions().size(), 2u);
    EXPECT_NE(prompter->questions()[0].text.find("Another running"), std::string::npos);
    other.release();
    EXPECT_EQ(IniAccess("GET", "Path", "Path Lst"), h.folder() + "/ZunMp3Syk.lst");
    EXPECT_EQ(IniAccess("GET", "Path", "Path Image"), h.folder() + "/back.jpg");
}

TEST(ProgramFolder, UnreadableOldSettingsAreSaidAndTheListStillComes)
{
    FreshHome h;
    const std::string old = h.dir.file("build");
    h.dir.write("build/PlaySyk.ini", "[Setting]\r\nLangue=En\r\n");
    h.dir.write("build/ZunMp3Syk.lst", "A;B;3:00;Pop;/m/a.mp3;N;0;;;;;;\r\n");
    ASSERT_EQ(::chmod((old + "/PlaySyk.ini").c_str(), 0), 0);
    ScopedScriptedPrompter prompter;
    {
        testsupport::ObeyFileModes asUser;
        if (!asUser.active())
            GTEST_SKIP() << "file modes cannot be obeyed here";
        modIni::AdoptOldProgramFiles(old);
    }
    ASSERT_EQ(prompter->questions().size(), 1u);
    const std::string told = prompter->questions()[0].text;
    // In the language of the default settings the program now starts with.
    EXPECT_NE(told.find("PlaySyk.ini ne peut pas être lu"), std::string::npos);
    EXPECT_NE(told.find("réglages par défaut"), std::string::npos);
    EXPECT_NE(told.find("ZunMp3Syk.lst"), std::string::npos);
    EXPECT_EQ(prompter->questions()[0].style, vbOKOnly + vbExclamation);
    EXPECT_FALSE(paths::isFile(h.folder() + "/PlaySyk.ini"));
    EXPECT_TRUE(paths::isFile(h.folder() + "/ZunMp3Syk.lst"));
    struct stat st {};
    ASSERT_EQ(::stat((old + "/PlaySyk.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0u);   // left as it was
}

TEST(ProgramFolder, ALinkToSettingsNotMadeYetStaysALink)
{
    FreshHome h;
    const std::string old = h.dir.file("build");
    h.dir.write("build/PlaySyk.ini", "[Setting]\r\nLangue=En\r\nTheme=3\r\n");
    // The user keeps the settings elsewhere (a dotfiles folder) through a link.
    h.dir.write("dotfiles/.keep", "");
    std::filesystem::create_directories(h.folder());
    std::filesystem::create_symlink(h.dir.file("dotfiles/PlaySyk.ini"), h.folder() + "/PlaySyk.ini");
    ScopedScriptedPrompter prompter;
    modIni::AdoptOldProgramFiles(old);
    EXPECT_TRUE(std::filesystem::is_symlink(h.folder() + "/PlaySyk.ini"));
    EXPECT_NE(readFileBytes(h.dir.file("dotfiles/PlaySyk.ini")).find("Theme=3"), std::string::npos);
    EXPECT_EQ(IniAccess("GET", "Setting", "Theme"), "3");
    EXPECT_EQ(prompter->questions().size(), 1u);

    // With no old settings, the defaults are written through such a link too.
    ProgramDir fresh;
    std::filesystem::create_symlink(h.dir.file("dotfiles/Fresh.ini"), fresh.file("PlaySyk.ini"));
    EXPECT_EQ(IniAccess("GET", "Setting", "Langue"), "Fr");
    EXPECT_TRUE(std::filesystem::is_symlink(fresh.file("PlaySyk.ini")));
    EXPECT_EQ(readFileBytes(h.dir.file("dotfiles/Fresh.ini")), modIni::DefaultIniText());
}
