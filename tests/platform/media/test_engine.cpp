// The mixer, its outputs and the heard-position clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/media/engine.h"
#include "platform/media/playclock.h"

using namespace media;

namespace {

// A source that adds a constant to both channels and remembers what it saw.
class ConstSource : public AudioSource {
public:
    explicit ConstSource(float v) : value(v) {}
    void mixInto(float* out, int frames, std::int64_t startFrame) override
    {
        if (expectStart >= 0 && startFrame != expectStart)
            gapSeen = true;
        expectStart = startFrame + frames;
        maxBlock = std::max(maxBlock, frames);
        for (int i = 0; i < frames * kChannels; ++i)
            out[i] += value;
        calls.fetch_add(1);
    }
    float value;
    std::int64_t expectStart = -1;
    bool gapSeen = false;
    int maxBlock = 0;
    std::atomic<int> calls{0};
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { useSteppedOutput(); }
};

} // namespace

TEST_F(EngineTest, SteppedOutputMixesSourcesInBoundedContiguousBlocks)
{
    ConstSource a(0.25f), b(0.5f);
    engine().addSource(&a);
    engine().addSource(&b);
    engine().addSource(&a); // a second add is ignored
    const std::int64_t before = engine().renderedFrames();
    auto mix = engine().stepFrames(3000);
    ASSERT_EQ(mix.size(), 6000u);
    for (float v : mix)
        ASSERT_FLOAT_EQ(v, 0.75f);
    EXPECT_EQ(engine().renderedFrames(), before + 3000);
    EXPECT_EQ(engine().heardFrames(), engine().renderedFrames());
    EXPECT_LE(a.maxBlock, kMaxBlockFrames);
    engine().stepFrames(5000);
    EXPECT_FALSE(a.gapSeen);

    engine().removeSource(&b);
    mix = engine().stepFrames(10);
    EXPECT_FLOAT_EQ(mix[0], 0.25f);
    engine().removeSource(&a);
    engine().removeSource(&a); // removing twice is harmless
    mix = engine().stepFrames(10);
    EXPECT_FLOAT_EQ(mix[0], 0.0f);
}

TEST_F(EngineTest, StepCarriesFractionsOfAFrame)
{
    const std::int64_t before = engine().renderedFrames();
    std::size_t samples = 0;
    for (int i = 0; i < 100; ++i)
        samples += engine().step(10.0).size();
    // 10 ms is 441 frames; a third of a millisecond is 14.7 frames.
    EXPECT_EQ(engine().renderedFrames() - before, 44100);
    EXPECT_EQ(samples, 88200u);
    for (int i = 0; i < 3; ++i)
        engine().step(1.0 / 3.0);
    EXPECT_EQ(engine().renderedFrames() - before, 44100 + 44);
    EXPECT_TRUE(engine().step(0).empty());
    EXPECT_TRUE(engine().step(-5).empty());
}

TEST_F(EngineTest, NullOutputAdvancesByItselfAndStepDoesNothingThere)
{
    ConstSource a(0.1f);
    engine().addSource(&a);
    useNullOutput();
    EXPECT_EQ(engine().outputKind(), OutputKind::Null);
    EXPECT_TRUE(engine().step(10).empty());
    const std::int64_t start = engine().heardFrames();
    std::int64_t last = start;
    bool monotonic = true;
    for (int i = 0; i < 500 && engine().heardFrames() < start + 4410; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::int64_t h = engine().heardFrames();
        monotonic = monotonic && h >= last && h <= engine().renderedFrames();
        last = h;
    }
    EXPECT_GE(engine().heardFrames(), start + 4410);
    EXPECT_TRUE(monotonic);
    EXPECT_GT(a.calls.load(), 0);
    useSteppedOutput();
    // The switch loses nothing: what was rendered counts as heard.
    EXPECT_EQ(engine().heardFrames(), engine().renderedFrames());
    engine().removeSource(&a);
    EXPECT_FALSE(a.gapSeen);
}

TEST(PlayClockTest, JumpTargetHoldsUntilItsFirstBlockIsHeard)
{
    PlayClock c;
    c.reset(0.0);
    EXPECT_DOUBLE_EQ(c.at(0), 0.0);
    c.note(1000, 100, 0.0, 1.0);
    c.note(1100, 100, 1.0, 2.0);
    EXPECT_DOUBLE_EQ(c.at(500), 0.0);   // before the first block: the target
    EXPECT_DOUBLE_EQ(c.at(1050), 0.5);  // inside a block: interpolated
    EXPECT_DOUBLE_EQ(c.at(1100), 1.0);
    EXPECT_DOUBLE_EQ(c.at(5000), 2.0);  // past the last block: its end

    // A seek: queued audio of the old stretch no longer moves the position.
    c.jump(30.0);
    EXPECT_DOUBLE_EQ(c.at(1150), 30.0);
    c.note(1200, 100, 30.0, 31.0);
    EXPECT_DOUBLE_EQ(c.at(1150), 30.0);
    EXPECT_DOUBLE_EQ(c.at(1250), 30.5);

    // A stop: no more blocks, the position rests at the target.
    c.jump(30.7);
    EXPECT_DOUBLE_EQ(c.at(100000), 30.7);
    // A block that does not advance (the source rests) keeps its start.
    c.note(1300, 100, 30.7, 30.7);
    EXPECT_DOUBLE_EQ(c.at(1350), 30.7);
}

TEST(PlayClockTest, OverrunRingStillAnswers)
{
    PlayClock c;
    c.reset(0.0);
    for (int i = 0; i < 2000; ++i)
        c.note(std::int64_t(i) * 10, 10, i, i + 1);
    // Far behind the records kept: the oldest kept record's start.
    const double p = c.at(0);
    EXPECT_GE(p, 0.0);
    EXPECT_LE(p, 2000.0);
    EXPECT_DOUBLE_EQ(c.at(19995), 1999.5);
}
