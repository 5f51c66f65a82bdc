// A flush to the disk that fails where the program meets the system: this
// file's fsync stands in for the C library's in every test program that uses
// underFailingFlush (a definition in the program itself comes before the
// library's), and calls the system directly otherwise.
#include "support/testdir.h"

#include <atomic>
#include <cerrno>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::atomic<int> flushError{0};
std::atomic<int> failedFlushes{0};

} // namespace

// Only a file's data fails to reach the disk; the flush of a folder entry
// goes through, so what is seen is the failure of the data itself.
extern "C" int fsync(int fd)
{
    struct stat st {};
    if (flushError.load() != 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        ++failedFlushes;
        errno = flushError.load();
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace testsupport {

int underFailingFlush(int error, const std::function<void()>& save)
{
    failedFlushes = 0;
    flushError = error;
    save();
    flushError = 0;
    return failedFlushes.load();
}

} // namespace testsupport
