// Every test program runs real widgets on Qt's offscreen platform, so a
// QApplication exists before the first test and no display is needed.
#include <QApplication>
#include <gtest/gtest.h>
#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("ZUNKARAOKE_AUDIO", "null", 0);
    setenv("ZUN_TEST_DATA", ZUN_TEST_DATA_DIR, 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
