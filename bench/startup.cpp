// Time from program start until the main window shows, and until its deferred
// loading (settings, list panel) has finished, with a play list of 10,000
// songs in the play-list tab.
//
//   bench_startup [rows]      (default 10000; 0 starts on the folder tab)
#include "core/modini.h"
#include "core/player.h"
#include "platform/forms/app.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
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

int main(int argc, char** argv)
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
    if (!std::getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("ZUNKARAOKE_AUDIO", "null", 0);

    const fs::path dir = fs::temp_directory_path() / ("zunbench-" + std::to_string(::getpid()));
    const fs::path songs = dir / "songs";
    fs::create_directories(songs);
    setenv("ZUNKARAOKE_DIR", dir.c_str(), 1);

    // The play list and its songs (empty files: the list checks that they exist).
    const std::string lst = (dir / "bench.lst").string();
    {
        std::ofstream out(lst, std::ios::binary);
        for (int i = 0; i < rows; ++i) {
            const std::string song = (songs / ("Song " + std::to_string(i) + ".mp3")).string();
            std::ofstream(song, std::ios::binary).put('\0');
            out << "Title " << i << ";Artist " << i % 97 << ";3:0" << i % 10 << ";MP3;" << song
                << ";N;0;;;;;;\r\n";
        }
    }

    QApplication app(argc, argv);
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

    std::printf("rows %d\nwindow shown   %8.1f ms\nlist loaded    %8.1f ms\nrows in list   %d\n", rows,
                ms(t0, shown), ms(t0, loaded), p.ListView1.ListItems.Count());

    modIni::QuitOnPlayerClose = false;
    Unload(p);
    DoEvents();
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
