// The sound device is connected away from the caller's thread: a sound server
// that hangs, answers garbage, closes at once or is not there never stops the
// user-interface thread, and the song goes on silently, said once.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/media/engine.h"
#include "support/testdir.h"

using namespace media;

namespace {

class BusySource : public AudioSource {
public:
    void mixInto(float*, int, std::int64_t) override {}
};

// A stand-in for a sound server, in a process of its own, on a local socket.
class FakeSoundServer {
public:
    enum Mode { NeverAnswers, Garbage, ClosesAtOnce, Refuses, Missing };

    FakeSoundServer(const std::string& socketPath, Mode mode) : path_(socketPath)
    {
        if (mode == Missing)
            return;
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        path_.copy(addr.sun_path, sizeof addr.sun_path - 1);
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
            return;
        if (mode == Refuses) {
            ::close(fd); // the socket file stays, nobody listens
            return;
        }
        ::listen(fd, 16);
        pid_ = ::fork();
        if (pid_ == 0) {
            static const char junk[] = "HTTP/1.0 400 Bad Request\r\n\r\n\xff\xfe garbage \x01\x02\x03";
            for (;;) {
                const int c = ::accept(fd, nullptr, nullptr);
                if (c < 0)
                    continue;
                if (mode == Garbage)
                    (void)!::write(c, junk, sizeof junk);
                if (mode == ClosesAtOnce)
                    ::close(c);
                // NeverAnswers and Garbage keep the connection open, silent.
            }
        }
        ::close(fd);
    }
    ~FakeSoundServer()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::unlink(path_.c_str());
    }

private:
    std::string path_;
    pid_t pid_ = -1;
};

// Runs the event loop for `ms` with a 10 ms timer on this thread, and returns
// the longest time between two of its ticks: how long the thread was stuck.
// A blocking connect holds the thread for the whole of its try (about 2 s);
// the bounds leave room for a loaded machine running sanitised builds.
constexpr double kMostAStartMayTakeMs = 400.0;
constexpr int kLongestStallMs = 800;

int longestStallMs(int ms, const std::function<bool()>& until = {})
{
    QElapsedTimer clock, sinceTick;
    clock.start();
    sinceTick.start();
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceTick.restart());
    });
    tick.start();
    while (clock.elapsed() < ms && !(until && until())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        longest = std::max(longest, sinceTick.elapsed());
    }
    return int(longest);
}

class DeviceConnect : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string socket = dir.file("native");
    BusySource source;
    int unavailable = 0;
    int lost = 0;

    void SetUp() override
    {
        ::setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
        engine().setOutputLostHandler([this](SoundLoss why) { ++(why == SoundLoss::Unavailable ? unavailable : lost); });
        engine().addSource(&source);
    }
    void TearDown() override
    {
        engine().removeSource(&source);
        engine().setOutputLostHandler(nullptr);
        useSteppedOutput();
        ::unsetenv("PULSE_SERVER");
    }

    // Chooses the device, as a player does when a song starts; returns how
    // long the call took.
    double startDevice()
    {
        engine().setOutput(OutputKind::Null); // a fresh choice
        const auto t0 = std::chrono::steady_clock::now();
        engine().setOutput(OutputKind::Device);
        engine().wake();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    }
};

} // namespace

TEST_F(DeviceConnect, AServerThatNeverAnswersNeverStallsTheWindowsThread)
{
    FakeSoundServer server(socket, FakeSoundServer::NeverAnswers);
    EXPECT_LT(startDevice(), kMostAStartMayTakeMs);
    EXPECT_TRUE(engine().connecting());
    // The first try gives up after its own time; the retries follow every few
    // seconds. The thread never waits on any of them.
    EXPECT_LT(longestStallMs(5500), kLongestStallMs);
    EXPECT_EQ(unavailable, 1);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(engine().outputKind(), OutputKind::Null);
    // The song goes on in real time meanwhile.
    const std::int64_t before = engine().heardFrames();
    longestStallMs(500);
    EXPECT_NEAR(double(engine().heardFrames() - before) / kSampleRate, 0.5, 0.3);

    // A loss while the song goes on silently is not said again, and the
    // thread stays free through further retries.
    engine().simulateOutputLost();
    EXPECT_LT(longestStallMs(2500), kLongestStallMs);
    EXPECT_EQ(unavailable + lost, 1);
}

TEST_F(DeviceConnect, BrokenOrMissingServersAreSaidOnceAndTheSongGoesOnAtOnce)
{
    for (auto mode : {FakeSoundServer::Garbage, FakeSoundServer::ClosesAtOnce, FakeSoundServer::Refuses,
                      FakeSoundServer::Missing}) {
        SCOPED_TRACE(mode);
        unavailable = 0;
        FakeSoundServer server(socket, mode);
        EXPECT_LT(startDevice(), kMostAStartMayTakeMs);
        // Refused at once: the null output does not wait the whole moment.
        EXPECT_LT(longestStallMs(3000, [] { return !engine().connecting(); }), kLongestStallMs);
        EXPECT_FALSE(engine().connecting());
        EXPECT_EQ(engine().outputKind(), OutputKind::Null);
        longestStallMs(300);
        EXPECT_EQ(unavailable, 1);
        // Another song starting while the server is still away says nothing.
        engine().setOutput(OutputKind::None);
        engine().wake();
        longestStallMs(3000, [] { return !engine().connecting(); });
        longestStallMs(100);
        EXPECT_EQ(unavailable, 1);
        EXPECT_EQ(lost, 0);
    }
}
