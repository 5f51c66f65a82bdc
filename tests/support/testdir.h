#pragma once
// A temporary folder for one test, removed afterwards. ProgramDir also points
// ZUNKARAOKE_DIR at it, so the settings file and the default list land there.
#include <filesystem>
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

std::string readFileBytes(const std::string& path);

} // namespace testsupport
