// Times the folder listing and the case-insensitive lookup on a folder of
// 10,000 songs (the folder browser and the sync-file lookup on big libraries).
#include "platform/files/paths.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("zun-bench-list-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (int i = 0; i < count; ++i) {
        const std::string name = (i % 3 ? "Song " : "song ") + std::to_string(count - i) + (i % 2 ? ".MP3" : ".kar");
        std::ofstream(dir / name) << "x";
    }

    using clock = std::chrono::steady_clock;
    auto t0 = clock::now();
    paths::ListOptions songs;
    songs.extensions = {".mp3", ".kar", ".mid", ".wav"};
    const auto entries = paths::listFolder(dir.string(), songs);
    auto t1 = clock::now();
    // The worst case of the lookup: no exact name, the whole folder scanned.
    int found = 0;
    for (int i = 0; i < 100; ++i)
        found += !paths::findFileNoCase((dir / ("SONG " + std::to_string(i + 1) + ".mp3")).string()).empty();
    auto t2 = clock::now();

    using ms = std::chrono::duration<double, std::milli>;
    std::printf("listFolder: %zu files in %.1f ms\n", entries.size(), ms(t1 - t0).count());
    std::printf("findFileNoCase: %d found, %.2f ms per lookup\n", found, ms(t2 - t1).count() / 100);
    fs::remove_all(dir);
    return 0;
}
