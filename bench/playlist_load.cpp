// Times the play list with ten thousand songs: reading a 10,000-row ".lst" of
// existing files (with their sync-file look-ups) and listing a folder of
// 10,000 songs, first as plain rows, then into the main window's list.
//
//     bench_playlist_load [rows]
//     bench_playlist_load --memory [rows]
// The second form only loads the list into the main window and prints the
// memory the load took at its peak and after it, per row (resident set size
// from /proc: the peak is reset just before the load).
#include "bench_support.h"
#include "core/modini.h"
#include "core/player.h"
#include "playlist/folderlisting.h"
#include "playlist/playlistrow.h"
#include "playlist/syncfinder.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// A "VmRSS:" or "VmHWM:" figure of /proc/self/status, KiB.
long statusKiB(const std::string& key)
{
    std::ifstream in("/proc/self/status");
    std::string k;
    long v = -1;
    while (in >> k) {
        if (k == key) {
            in >> v;
            break;
        }
        in.ignore(1 << 20, '\n');
    }
    return v;
}

void touch(const fs::path& p, std::size_t bytes)
{
    std::ofstream out(p, std::ios::binary);
    if (bytes)
        out << std::string(bytes, 'x');
}

} // namespace

int main(int argc, char** argv)
{
    const bool memory = argc > 1 && std::string(argv[1]) == "--memory";
    const int arg = memory ? 2 : 1;
    const int rows = argc > arg ? std::max(1, std::atoi(argv[arg])) : 10000;
    std::mt19937 rng(1);
    const fs::path root = fs::temp_directory_path() / ("zunbench-playlist-" + std::to_string(rng()));
    const fs::path music = root / "music";
    fs::create_directories(music);
    setenv("ZUNKARAOKE_DIR", root.c_str(), 1);
    benchsupport::Desktop desktop(false);
    if (!desktop.ok()) {
        std::fprintf(stderr, "cannot measure: %s\n", desktop.error.c_str());
        return 1;
    }

    // Songs: a mix of kinds, a third with a .syk, a tenth with a .sy1 too,
    // a few text files that the folder view leaves out.
    const char* kinds[] = {".mp3", ".kar", ".mid", ".wav"};
    std::vector<PlayList::PlayListRow> list;
    list.reserve(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        const std::string base = "Song " + std::to_string(i);
        const std::string name = base + kinds[i % 4];
        touch(music / name, 100 + static_cast<std::size_t>(i % 7));
        if (i % 3 == 0)
            touch(music / (base + ".syk"), 0);
        if (i % 10 == 0)
            touch(music / (base + ".sy1"), 0);
        if (i % 50 == 0)
            touch(music / (base + ".txt"), 0);
        PlayList::PlayListRow row;
        row.Title() = base;
        row.Artist() = "Artist " + std::to_string(i % 97);
        row.Length() = "3:05";
        row.Style() = "MP3";
        row.Path() = (music / name).string();
        row.SyncFlag() = "N";
        list.push_back(row);
    }
    const std::string lst = (root / "big.lst").string();
    PlayList::writeLstFile(lst, list);
    const std::string folder = music.string() + "/";

    if (memory) {
        list.clear();
        list.shrink_to_fit();
        QApplication app(argc, argv);
        Player& w = player();
        w.Timer_LoadPlayer.setEnabled(false);
        w.SetPlayListColumns();
        w.ListView1.ListItems.Clear();
        std::string path = lst;
        const long before = statusKiB("VmRSS:");
        { std::ofstream reset("/proc/self/clear_refs"); reset << "5"; }  // the peak starts here
        const auto start = Clock::now();
        w.LoadPlayList(path);
        const double ms = msSince(start);
        const long peak = statusKiB("VmHWM:");
        const long after = statusKiB("VmRSS:");
        std::printf("LoadPlayList of %d rows: %.1f ms (%.2f us/row); memory per row: %.0f B at the peak, %.0f B after\n",
                    w.ListView1.ListItems.Count(), ms, 1000.0 * ms / rows, 1024.0 * double(peak - before) / rows,
                    1024.0 * double(after - before) / rows);
        std::error_code ec;
        fs::remove_all(root, ec);
        return 0;
    }

    auto t0 = Clock::now();
    const PlayList::LstFile file = PlayList::readLstFile(lst);
    const double readMs = msSince(t0);

    t0 = Clock::now();
    PlayList::SyncFinder finder("");
    std::size_t synced = 0;
    for (const auto& row : file.rows)
        synced += finder.findSyk(row.Path()).empty() ? 0 : 1;
    const double lookupMs = msSince(t0);

    t0 = Clock::now();
    PlayList::SyncFinder folderFinder("");
    const auto folderRows = PlayList::listFolderRows(folder, folderFinder, "En");
    const double folderMs = msSince(t0);

    std::printf("rows: %d\n", rows);
    std::printf("read .lst:                    %8.1f ms (%zu rows)\n", readMs, file.rows.size());
    std::printf("sync look-ups for the list:   %8.1f ms (%zu with .syk)\n", lookupMs, synced);
    std::printf("folder rows:                  %8.1f ms (%zu songs)\n", folderMs, folderRows.size());

    QApplication app(argc, argv);
    Player& w = player();
    w.Timer_LoadPlayer.setEnabled(false);
    w.SetPlayListColumns();

    t0 = Clock::now();
    w.ListView1.ListItems.Clear();
    std::string path = lst;
    w.LoadPlayList(path);
    const double loadMs = msSince(t0);
    std::printf("LoadPlayList into the window: %8.1f ms (%d rows)\n", loadMs, w.ListView1.ListItems.Count());

    t0 = Clock::now();
    w.PlayListTabName = "DirList";
    modIni::LastDirList = folder;
    w.SetBrowseColumns();
    w.ListFolder();
    const double listMs = msSince(t0);
    std::printf("ListFolder into the window:   %8.1f ms (%d rows)\n", listMs, w.ListView1.ListItems.Count());

    std::error_code ec;
    fs::remove_all(root, ec);
    return 0;
}
