// Every test program runs real widgets on Qt's offscreen platform, so a
// QApplication exists before the first test and no display is needed.
//
// The programs also get a home folder of their own: the defaults of the
// settings point at the home folder (music, sync files, the desktop's
// association files), and a test that saves through a default must never
// write into the real user's home, nor read what another run left there.
#include <QApplication>
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("ZUNKARAOKE_AUDIO", "null", 0);
    setenv("ZUN_TEST_DATA", ZUN_TEST_DATA_DIR, 0);

    std::string home = (std::filesystem::temp_directory_path() / "zun-home-XXXXXX").string();
    const bool ownHome = mkdtemp(home.data()) != nullptr;
    if (ownHome) {
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
        setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
        setenv("XDG_CACHE_HOME", (home + "/.cache").c_str(), 1);
    }

    int result = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    if (ownHome) {
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }
    return result;
}
