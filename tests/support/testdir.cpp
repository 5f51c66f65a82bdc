#include "support/testdir.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
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
    // What a file holds, as root reads it whatever its mode: a test that made
    // its file unreadable for the program still checks the bytes, and holds
    // for an ordinary account too. The mode is put back as it was.
    struct stat st {};
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool unreadable = fd < 0 && errno == EACCES && ::stat(path.c_str(), &st) == 0
                            && ::chmod(path.c_str(), st.st_mode | S_IRUSR) == 0;
    if (unreadable) {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ::chmod(path.c_str(), st.st_mode & 07777);
    }
    std::string bytes;
    if (fd < 0)
        return bytes;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
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

SmallDisk::SmallDisk(const std::filesystem::path& where, std::size_t bytes) : path_(where)
{
    std::error_code ec;
    std::filesystem::create_directories(path_, ec);
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

SmallDisk::~SmallDisk()
{
    if (mounted_)
        ::umount2(path_.c_str(), MNT_DETACH);
}

void SmallDisk::fill() const
{
    const std::string filler = (path_ / "filler").string();
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    const std::string block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    // The last partial block: a byte at a time until nothing fits.
    while (::write(fd, "x", 1) == 1) {
    }
    ::close(fd);
}

bool SmallDisk::makeReadOnly() const
{
    return mounted_ && ::mount("tmpfs", path_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

namespace {

constexpr unsigned kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

bool capabilities(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capget, &header, data) == 0;
}

bool setCapabilities(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace

ObeyFileModes::ObeyFileModes()
{
    __user_cap_data_struct data[2] = {};
    if (!capabilities(data))
        return;
    if ((data[0].effective & kOverrides) == 0) {
        active_ = true;  // modes are obeyed already
        return;
    }
    saved_[0] = data[0].effective;
    saved_[1] = data[1].effective;
    data[0].effective &= ~kOverrides;
    dropped_ = active_ = setCapabilities(data);
}

ObeyFileModes::~ObeyFileModes()
{
    if (!dropped_)
        return;
    __user_cap_data_struct data[2] = {};
    if (!capabilities(data))
        return;
    data[0].effective = saved_[0];
    data[1].effective = saved_[1];
    setCapabilities(data);
}

bool underFileSizeLimit(unsigned long bytes, const std::function<bool()>& write)
{
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool done = write();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    return done;
}

} // namespace testsupport
