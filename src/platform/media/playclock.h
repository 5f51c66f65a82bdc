#pragma once
// The heard position of one source. The audio thread notes, for each block it
// mixes, which stretch of the source's own time line that block carried; the
// user-interface thread asks where the source is at the engine's heard frame.
// After a jump (load, seek, stop) the position is the jump's target until the
// first block mixed after it is heard, so a seek reads back at once and audio
// that was queued before it never moves the position.
//
// Not locked: the owner guards it with the same lock as the source's state.
#include <array>
#include <cstdint>

namespace media {

class PlayClock {
public:
    // A discontinuity: from now on the source plays from `pos` (or rests there
    // when nothing more is noted).
    void jump(double pos)
    {
        ++epoch_;
        jumpPos_ = pos;
    }

    // The block starting at engine frame `engineStart`, `frames` long, played
    // the source from `posStart` to `posEnd` (posEnd < posStart is treated as a
    // rest at posStart).
    void note(std::int64_t engineStart, int frames, double posStart, double posEnd)
    {
        if (frames <= 0)
            return;
        next_ = (next_ + 1) % kRecords;
        recs_[next_] = Rec{engineStart, frames, posStart, posEnd, epoch_};
        if (count_ < kRecords)
            ++count_;
    }

    // The position at engine frame `heard`.
    double at(std::int64_t heard) const
    {
        const Rec* found = nullptr;
        const Rec* oldest = nullptr;
        for (int i = 0; i < count_; ++i) {
            const Rec& r = recs_[(next_ - i + kRecords) % kRecords];
            if (r.epoch != epoch_)
                break;
            oldest = &r;
            if (r.engineStart <= heard) {
                found = &r;
                break;
            }
        }
        if (!found) {
            // Nothing of the current stretch is heard yet. When the ring was
            // overrun by a very late listener, its oldest record is the best
            // guess; otherwise the jump's target.
            if (oldest && count_ == kRecords)
                return oldest->posStart;
            return jumpPos_;
        }
        std::int64_t offset = heard - found->engineStart;
        if (found->posEnd <= found->posStart)
            return found->posStart;
        if (offset >= found->frames)
            return found->posEnd;
        return found->posStart + (found->posEnd - found->posStart) * double(offset) / found->frames;
    }

    void reset(double pos = 0.0)
    {
        count_ = 0;
        jump(pos);
    }

private:
    static constexpr int kRecords = 512;
    struct Rec {
        std::int64_t engineStart = 0;
        int frames = 0;
        double posStart = 0.0;
        double posEnd = 0.0;
        std::uint64_t epoch = 0;
    };
    std::array<Rec, kRecords> recs_{};
    int next_ = 0;
    int count_ = 0;
    std::uint64_t epoch_ = 0;
    double jumpPos_ = 0.0;
};

} // namespace media
