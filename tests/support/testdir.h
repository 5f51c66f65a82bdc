#pragma once
// A temporary folder for one test, removed afterwards. ProgramDir also points
// ZUNKARAOKE_DIR at it, so the settings file and the default list land there.
#include <filesystem>
#include <functional>
#include <string>

namespace testsupport {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // Full path (as UTF-8 text with "/") of a name inside the folder.
    std::string file(const std::string& name) const;
    // Writes bytes exactly as given (no line-end or encoding change).
    std::string write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;

private:
    std::filesystem::path path_;
};

class ProgramDir : public TempDir {
public:
    ProgramDir();
    ~ProgramDir();
private:
    std::string old_;
    bool hadOld_ = false;
};

// Sets (or, with nullptr, unsets) an environment variable for the lifetime of
// this object; the old value comes back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_, old_;
    bool hadOld_ = false;
};

// The bytes of a file, whatever its mode (its mode is left as it was).
std::string readFileBytes(const std::string& path);

// Runs `write` while this process may write no file beyond `bytes` (a write
// past it fails with EFBIG instead of killing the process): a save that fails
// half-way, as on a disk that fills during the write. Returns what `write` did.
bool underFileSizeLimit(unsigned long bytes, const std::function<bool()>& write);

// Runs `save` while every flush of a file's data to the disk (fsync) fails
// with `error`, as on a network folder, a USB stick pulled out or a
// thin-provisioned disk that ran out of room, where only the flush reports
// the failure. Returns how many flushes failed.
int underFailingFlush(int error, const std::function<void()>& save);

// A small RAM disk (tmpfs) mounted on a new folder, unmounted at the end: the
// full or read-only disk a save must survive. mounted() is false where the
// test may not mount (not root, a container without the right): skip then.
class SmallDisk {
public:
    SmallDisk(const std::filesystem::path& where, std::size_t bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }
    std::string path() const { return path_.generic_string(); }
    // Fills the disk with one file until no byte more fits.
    void fill() const;
    // Makes the whole disk read-only; false when that is refused.
    bool makeReadOnly() const;

private:
    std::filesystem::path path_;
    bool mounted_ = false;
};

// The tests run as root, who reads and writes any file whatever its mode. For
// the life of this object the calling thread obeys file permissions as any
// user does (it gives up the capabilities that override them). active() is
// false when they cannot be given up.
class ObeyFileModes {
public:
    ObeyFileModes();
    ~ObeyFileModes();
    ObeyFileModes(const ObeyFileModes&) = delete;
    ObeyFileModes& operator=(const ObeyFileModes&) = delete;
    bool active() const { return active_; }

private:
    bool active_ = false;
    bool dropped_ = false;
    unsigned saved_[2] = {0, 0};
};

} // namespace testsupport
