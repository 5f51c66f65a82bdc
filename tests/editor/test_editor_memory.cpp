// Opening and closing the editor again and again: each closed editor's data
// goes with it, so the memory in use stays flat however often it is opened.
#include "test_record_fixture.h"

#include <QMainWindow>
#include <QPixmap>
#include <QTest>

#include <malloc.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZUN_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ZUN_ASAN 1
#endif
#ifdef ZUN_ASAN
// The sanitizer's own count of the bytes in use (declared here: not every
// compiler ships its header).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

using namespace editortest;

// Bytes the program holds on the heap now (not what the allocator keeps in
// reserve, nor what the sanitizer quarantines).
std::size_t heapInUse()
{
#ifdef ZUN_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

TEST_F(EditorTest, OpeningAndClosingTheEditorKeepsNothing)
{
    dir.write("Syk/song.syk", "Hel;1;lo;2;\r\nworld;3;\r\n");
    const auto round = [&] {
        open();
        // Drawn as the user sees it: every control paints its face.
        (void)record().window()->grab();
        (void)player().window()->grab();
        record().Command_Sortir.press();
        QTest::qWait(1);
        ASSERT_FALSE(RecordLoaded());
    };
    // The first rounds fill the caches that live as long as the program
    // (fonts, pictures, the style's pixmaps).
    for (int i = 0; i < 5; ++i)
        round();
    const std::size_t before = heapInUse();
    constexpr int kRounds = 20;
    for (int i = 0; i < kRounds; ++i)
        round();
    const std::size_t after = heapInUse();
    const long long perRound = (static_cast<long long>(after) - static_cast<long long>(before)) / kRounds;
    // Each round kept about 160 KB: the style's drawings of the closed
    // editor's controls, in the pixmap cache.
    EXPECT_LT(perRound, 16 * 1024) << "each opening keeps " << perRound << " bytes";
}

} // namespace
