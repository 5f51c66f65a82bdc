#pragma once
// Small helpers shared by the fuzz targets: a trap that libFuzzer reports as a
// crash, and a private scratch folder in memory for the readers that only take
// a path.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

namespace fuzzsupport {

inline void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

// One folder per fuzzing process, removed at exit. /dev/shm keeps the many
// small writes (and the atomic saves' fsync) off the disk.
inline const std::string& scratchDir()
{
    static const std::string dir = [] {
        std::string pattern = (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        pattern += "/zun-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        static std::string removeAtExit;
        removeAtExit = pattern;
        std::atexit([] {
            const std::string cmd = "rm -rf '" + removeAtExit + "'";
            if (std::system(cmd.c_str()) != 0) {
                // Nothing to do: a left-over folder in /dev/shm is harmless.
            }
        });
        return pattern;
    }();
    return dir;
}

inline std::string scratchPath(std::string_view name)
{
    return scratchDir() + "/" + std::string(name);
}

// Writes the bytes as they are (no encoding, no atomic rename: the file is
// only the reader's input).
inline void writeRaw(const std::string& path, std::string_view bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    check(f != nullptr);
    if (!bytes.empty())
        check(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
    check(std::fclose(f) == 0);
}

} // namespace fuzzsupport
