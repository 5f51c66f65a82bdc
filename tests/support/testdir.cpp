#include "support/testdir.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace testsupport {

TempDir::TempDir()
{
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto p = base / ("zuntest-" + std::to_string(rd()));
        if (std::filesystem::create_directory(p)) {
            path_ = p;
            break;
        }
    }
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& name) const
{
    return (path_ / name).generic_string();
}

std::string TempDir::write(const std::string& name, const std::string& bytes) const
{
    auto p = path_ / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
    return p.generic_string();
}

std::string TempDir::read(const std::string& name) const
{
    return readFileBytes(file(name));
}

std::string readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

ProgramDir::ProgramDir()
{
    if (const char* v = std::getenv("ZUNKARAOKE_DIR")) {
        old_ = v;
        hadOld_ = true;
    }
    setenv("ZUNKARAOKE_DIR", path().c_str(), 1);
}

ProgramDir::~ProgramDir()
{
    if (hadOld_)
        setenv("ZUNKARAOKE_DIR", old_.c_str(), 1);
    else
        unsetenv("ZUNKARAOKE_DIR");
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name)
{
    if (const char* v = std::getenv(name)) {
        old_ = v;
        hadOld_ = true;
    }
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

ScopedEnv::~ScopedEnv()
{
    if (hadOld_)
        setenv(name_.c_str(), old_.c_str(), 1);
    else
        unsetenv(name_.c_str());
}

} // namespace testsupport
