#pragma once
// A main window started as at program start (the deferred start-up run at
// once) in its own program folder, on the stepped audio output, with a
// scripted prompter; after each test the clock stops and every window is let
// go without ending the program. Test files that play songs derive from it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/forms/prompter.h"
#include "support/testdir.h"

namespace testsupport {

// A silent mono 16-bit WAV of the given length (8 kHz keeps long songs small).
std::string silentWav(double seconds, std::uint32_t rate = 8000);

class StartedPlayerTest : public ::testing::Test {
protected:
    ProgramDir dir;
    ScopedScriptedPrompter prompter;

    // Stepped audio output, English captions, nothing playing, the engine's
    // state reset; then the main window is loaded and started.
    void SetUp() override;
    // Stops the clock and the media player, unloads the lyric windows and the
    // main window, and resets the engine's state.
    void TearDown() override;

    // The texts of the message boxes shown so far, first to last.
    std::vector<std::string> messages();
};

} // namespace testsupport
