// Time from program start until the main window shows, and until its deferred
// loading (settings, list panel) has finished, with a play list of 10,000
// songs in the play-list tab.
//
//   bench_startup [rows]      (default 10000; 0 starts on the folder tab)
//
// The songs and the play list are written once into the temporary folder and
// kept for later runs (so that timing the whole process times the start-up);
// the settings are written afresh in a folder of each run's own.
#include "bench_support.h"
#include "core/modini.h"
#include "core/player.h"
#include "platform/forms/app.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

static double ms(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// Milliseconds since the kernel started this process (to the kernel's 10 ms
// tick), or -1 when /proc cannot tell.
static double msSinceProcessStart()
{
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    // Fields after the name: state is field 3, starttime field 22.
    std::size_t pos = close + 2;
    for (int field = 3; field < 22 && pos != std::string::npos; ++field)
        pos = text.find(' ', pos) + 1;
    if (pos == 0 || pos >= text.size())
        return -1;
    const double startTicks = std::atof(text.c_str() + pos);
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return (double(now.tv_sec) + double(now.tv_nsec) / 1e9) * 1000.0 - startTicks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

int main(int argc, char** argv)
{
    const auto entered = Clock::now();
    const double beforeMain = msSinceProcessStart();
    const int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
    // The window is shown on an X display run by a window manager; starting
    // one here is left out of the figures.
    const auto desktopAsked = Clock::now();
    benchsupport::Desktop desktop(false);
    if (!desktop.ok()) {
        std::fprintf(stderr, "cannot measure: %s\n", desktop.error.c_str());
        return 1;
    }
    const double desktopMs = ms(desktopAsked, Clock::now());
    setenv("ZUNKARAOKE_AUDIO", "null", 0);

    const fs::path fixture = fs::temp_directory_path() / ("zunbench-startup-" + std::to_string(rows));
    const fs::path songs = fixture / "songs";
    const fs::path dir = fs::temp_directory_path() / ("zunbench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    setenv("ZUNKARAOKE_DIR", dir.c_str(), 1);

    // The play list and its songs (empty files: the list checks that they exist).
    const std::string lst = (fixture / "bench.lst").string();
    const fs::path ready = fixture / "complete";
    double fixtureMs = 0;
    if (!fs::exists(ready)) {
        const auto w0 = Clock::now();
        fs::create_directories(songs);
        {
            std::ofstream out(lst, std::ios::binary);
            for (int i = 0; i < rows; ++i) {
                const std::string song = (songs / ("Song " + std::to_string(i) + ".mp3")).string();
                std::ofstream(song, std::ios::binary).put('\0');
                out << "Title " << i << ";Artist " << i % 97 << ";3:0" << i % 10 << ";MP3;" << song
                    << ";N;0;;;;;;\r\n";
            }
        }
        std::ofstream(ready) << "x";
        fixtureMs = ms(w0, Clock::now());
    }

    const auto beforeApp = Clock::now();
    QApplication app(argc, argv);
    const auto appMade = Clock::now();
    // The benchmark's own arguments name no file for the player to play.
    setCommandLine("");
    modIni::WriteDefaultIni();
    modIni::IniAccess("WRITE", "Setting", "SSTab", rows > 0 ? "1" : "0");
    modIni::IniAccess("WRITE", "Path", "Path Lst", lst);
    modIni::IniAccess("WRITE", "Setting", "Setup", "1");

    const auto t0 = Clock::now();
    Player& p = player();
    p.Show();
    QApplication::processEvents();
    const auto shown = Clock::now();
    while (modIni::CmdLine != "Fin" && !Ending())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    const auto loaded = Clock::now();

    // From the process start: the kernel's start time to main(), then our own
    // clock, less the writing of the songs on a first run and the start of
    // the X display.
    const double sinceStart = beforeMain + ms(entered, t0) - fixtureMs - desktopMs;
    std::printf("rows %d\n", rows);
    std::printf("QApplication   %8.1f ms\n", ms(beforeApp, appMade));
    std::printf("window shown   %8.1f ms after player(); %8.1f ms after process start (+-10)\n", ms(t0, shown),
                sinceStart + ms(t0, shown));
    std::printf("list loaded    %8.1f ms after player(); %8.1f ms after process start (+-10)\n", ms(t0, loaded),
                sinceStart + ms(t0, loaded));
    std::printf("rows in list   %d\n", p.ListView1.ListItems.Count());
    if (fixtureMs > 50)
        std::printf("(writing the songs took %.0f ms, left out of the figures)\n", fixtureMs);

    modIni::QuitOnPlayerClose = false;
    Unload(p);
    DoEvents();
    std::error_code ec;
    fs::remove_all(dir, ec);  // the fixture stays for the next run
    return 0;
}
