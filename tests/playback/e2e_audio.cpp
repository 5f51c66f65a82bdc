// Audio songs played from the main window as a user plays them: choose a row,
// press Play, listen (the stepped output), press the transport buttons.
#include "playback_fixture.h"

#include "platform/files/runtime.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QRect>
#include <QTest>

#include <filesystem>
#include <sys/stat.h>

using namespace pbtest;

TEST_F(PlaybackTest, AudioSongStartShowsLengthFlagAndCaption)
{
    const std::string song = dir.write("song.wav", silentWav(225.0));
    dir.write("song.syk", "Hel;1,5;lo;2;\r\n");
    dir.write("song.sy1", "Echo;3;\r\n");
    const int r = addRow(song, "9:99");
    // A lyric window too high for two on the screen.
    const Form::ScreenArea work = Form::WorkAreaAt(0, 0);
    modIni::IniAccess("WRITE", "Kar Windows", "Height", std::to_string(work.height * 3 / 5));

    playRow(r);
    Player& p = player();
    EXPECT_TRUE(modIni::IsPlaying);
    EXPECT_EQ(modIni::MediaKind, "mp3");
    EXPECT_TRUE(p.Timer1.Enabled());
    EXPECT_EQ(p.Label_time.Caption(), "3:45");
    EXPECT_DOUBLE_EQ(p.ProgressBar1.Max(), 225.0);
    EXPECT_EQ(row(r).SubItems(PlayList::ColLength), "3:45");
    EXPECT_TRUE(modIni::PlayListModified);
    EXPECT_EQ(row(r).SubItems(PlayList::ColSyncFlag), "Y+");
    EXPECT_EQ(karaoke().Caption(), "Zun Mp3 Karaoke      Length:  3:45");
    EXPECT_TRUE(p.HasSyk);
    EXPECT_TRUE(p.HasSy1);
    EXPECT_EQ(karaoke().Check_Aff_K1.Value(), 1);
    EXPECT_TRUE(p.Timer_SetKar2.Enabled());
    // The pair shares the work area, edge to edge, frames counted as drawn.
    const QRect top = karaoke().window()->frameGeometry(), under = karaoke_K1().window()->frameGeometry();
    EXPECT_EQ(top.top() * 15, work.top);
    EXPECT_EQ(under.top(), top.bottom() + 1);
    EXPECT_LE((under.bottom() + 1) * 15, work.top + work.height);
    EXPECT_GE((under.bottom() + 1) * 15, work.top + work.height - 30);
    // The first audio song since start-up moves the volume knob and greys the
    // MIDI-only labels; nothing is sent to the sound.
    EXPECT_EQ(Kar::SliderVolume.Value(), 100);
    EXPECT_EQ(p.Label_Vitesse.ForeColor(), 0x808080);
    EXPECT_EQ(p.Label_Transpo.ForeColor(), 0x808080);
    EXPECT_EQ(questionCount(), 0);
}

TEST_F(PlaybackTest, LengthLabelNeverShowsNegativeSeconds)
{
    // 119.7 s rounds to 2:00 (not "2:-0"); French sync flag and caption.
    modIni::Langue = "Fr";
    const std::string song = dir.write("late.wav", silentWav(119.7));
    dir.write("late.sy1", "Echo;3;\r\n");   // an echo file alone gives no sync flag
    const int r = addRow(song);
    playRow(r);
    EXPECT_EQ(player().Label_time.Caption(), "2:00");
    EXPECT_EQ(row(r).SubItems(PlayList::ColSyncFlag), "N");
    EXPECT_EQ(karaoke().Caption(), "Zun Mp3 Karaoke      Durée:  2:00");
    EXPECT_EQ(karaoke().Check_Aff_K1.Value(), 1);
}

TEST_F(PlaybackTest, StopResetsCountersAndLyricWindow)
{
    const std::string song = dir.write("song.wav", silentWav(30.0));
    playRow(addRow(song));
    playFor(1500);
    Player& p = player();
    EXPECT_EQ(p.Time_Left.Caption(), "0:02");   // 1.5 s rounds to 2
    EXPECT_NE(p.Label_PTime.Caption(), "0 %");

    p.Command_Stop.press();
    EXPECT_FALSE(modIni::IsPlaying);
    EXPECT_FALSE(p.Timer1.Enabled());
    EXPECT_EQ(p.Time_Left.Caption(), "0:00");
    EXPECT_EQ(p.Label_time.Caption(), "0:00");
    EXPECT_EQ(p.Label_PTime.Caption(), "0 %");
    EXPECT_EQ(p.ProgressBar1.Value(), 0);
    EXPECT_EQ(karaoke().Caption(), "Zun Mp3 Karaoke");
    EXPECT_FALSE(karaoke().Shape_Ball.Visible());
    EXPECT_EQ(karaoke().Shape_Ball.Left(), karaoke().HScroll_Kar.Value() * 100 + 100);
    // The sound stops where it was.
    const double at = p.ActiveMovie1.CurrentPosition();
    skip(1000);
    EXPECT_DOUBLE_EQ(p.ActiveMovie1.CurrentPosition(), at);

    // Stop with nothing playing resets again without harm.
    p.Command_Stop.press();
    EXPECT_EQ(p.Time_Left.Caption(), "0:00");
}

TEST_F(PlaybackTest, BackAndForwardMoveTwentySecondsFromTheCurrentPosition)
{
    const std::string song = dir.write("long.wav", silentWav(120.0));
    dir.write("long.syk", "One;1;\r\nTwo;70;\r\n");
    playRow(addRow(song));
    Player& p = player();
    media::MediaPlayer& m = p.ActiveMovie1;
    const std::size_t opened = Kar::SykCursor.NextFileLine;

    skip(12500);
    p.Command_Back.press();
    EXPECT_NEAR(m.CurrentPosition(), 0.0, 0.02);

    skip(65000);
    Kar::SykCursor.NextFileLine = 7;
    p.Command_Back.press();
    EXPECT_NEAR(m.CurrentPosition(), 45.0, 0.02);
    // Back reads the sync file again from its first line.
    EXPECT_EQ(Kar::SykCursor.NextFileLine, opened);

    skip(20000);
    p.Command_Forward.press();
    EXPECT_NEAR(m.CurrentPosition(), 85.0, 0.02);

    // Forward past the end ends the song; nothing breaks.
    p.Command_Forward.press();
    p.Command_Forward.press();
    EXPECT_NEAR(m.CurrentPosition(), 120.0, 0.02);

    // Neither button does anything while no song plays.
    p.Command_Stop.press();
    m.setCurrentPosition(50.0);
    p.Command_Back.press();
    p.Command_Forward.press();
    EXPECT_NEAR(m.CurrentPosition(), 50.0, 0.02);
}

TEST_F(PlaybackTest, NextAndPreviousWrapAroundTheList)
{
    const int a = addRow(dir.write("a.wav", silentWav(3.0)));
    const int b = addRow(dir.write("b.wav", silentWav(3.0)));
    const int c = addRow(dir.write("c.wav", silentWav(3.0)));
    Player& p = player();

    playRow(c);
    p.Command_Next.press();
    EXPECT_EQ(p.ListView1.SelectedItem()->Index(), a);
    EXPECT_EQ(p.Select_Song.Text(), dir.file("a.wav"));
    EXPECT_EQ(p.ActiveMovie1.FileName(), dir.file("a.wav"));
    EXPECT_TRUE(modIni::IsPlaying);

    p.Command_Next.press();
    EXPECT_EQ(p.ListView1.SelectedItem()->Index(), b);
    EXPECT_EQ(p.ActiveMovie1.FileName(), dir.file("b.wav"));

    p.Command_Prev.press();
    p.Command_Prev.press();
    EXPECT_EQ(p.ListView1.SelectedItem()->Index(), c);
    EXPECT_EQ(p.Select_Song.Text(), dir.file("c.wav"));
    EXPECT_TRUE(modIni::IsPlaying);
    EXPECT_EQ(questionCount(), 0);
}

TEST_F(PlaybackTest, NextWithoutRowsOrSelectionDoesNothing)
{
    Player& p = player();
    const std::string song = dir.write("a.wav", silentWav(2.0));
    p.Select_Song.setText(song);
    p.Command_Play.press();
    ASSERT_TRUE(modIni::IsPlaying);

    // Empty list: the song plays on.
    p.Command_Next.press();
    p.Command_Prev.press();
    EXPECT_TRUE(modIni::IsPlaying);
    EXPECT_EQ(p.Select_Song.Text(), song);

    // Rows but none selected: the same.
    addRow(dir.write("b.wav", silentWav(2.0)));
    p.ListView1.setSelectedItem(nullptr);
    p.Command_Next.press();
    EXPECT_TRUE(modIni::IsPlaying);
    EXPECT_EQ(p.Select_Song.Text(), song);

    // With automatic next the song just stops at its end.
    p.Command_Auto.setValue(1);
    playFor(2500);
    EXPECT_FALSE(modIni::IsPlaying);
    EXPECT_FALSE(p.Timer1.Enabled());
    EXPECT_EQ(p.Time_Left.Caption(), "0:00");
}

TEST_F(PlaybackTest, EndOfSongPlaysTheNextRowOrStops)
{
    const int a = addRow(dir.write("a.wav", silentWav(1.0)));
    const int b = addRow(dir.write("b.wav", silentWav(1.0)));
    Player& p = player();
    p.Command_Auto.setValue(1);
    playRow(a);
    playFor(1300);
    EXPECT_TRUE(modIni::IsPlaying);
    EXPECT_EQ(p.ListView1.SelectedItem()->Index(), b);
    EXPECT_EQ(p.ActiveMovie1.FileName(), dir.file("b.wav"));

    p.Command_Auto.setValue(0);
    playFor(1300);
    EXPECT_FALSE(modIni::IsPlaying);
    EXPECT_EQ(p.ListView1.SelectedItem()->Index(), b);
    EXPECT_EQ(p.Label_PTime.Caption(), "0 %");
}

TEST_F(PlaybackTest, ALostSoundOutputIsSaidOnceAndTheSongGoesOn)
{
    const int a = addRow(dir.write("a.wav", silentWav(3.0)));
    Player& p = player();
    playRow(a);
    playFor(500);
    media::engine().simulateOutputLost();
    media::engine().simulateOutputLost();  // the same loss, reported again
    int told = 0;
    for (const auto& q : prompter->questions())
        told += q.text.find("The sound output was lost") != std::string::npos ? 1 : 0;
    EXPECT_EQ(told, 1);
    EXPECT_EQ(prompter->questions().back().title, "Warning");
    const double before = p.ActiveMovie1.CurrentPosition();
    playFor(500);
    EXPECT_TRUE(modIni::IsPlaying);
    EXPECT_NEAR(p.ActiveMovie1.CurrentPosition(), before + 0.5, 0.05);
}

TEST_F(PlaybackTest, MissingEmptyOrUnreadableSongIsReportedAndMarked)
{
    Player& p = player();

    // No song chosen: said as such, before any look at the disk.
    p.Select_Song.setText("");
    p.Command_Play.press();
    EXPECT_TRUE(asked("Select a song !"));
    EXPECT_FALSE(asked("File not found"));
    EXPECT_FALSE(modIni::IsPlaying);

    // A row whose file is gone.
    const int gone = addRow(dir.file("gone.wav"));
    playRow(gone);
    EXPECT_TRUE(asked("File not found", vbOKOnly + vbQuestion));
    EXPECT_EQ(prompter->questions().back().title, "Warning");
    EXPECT_EQ(row(gone).SmallIcon(), "Picture_Stop");
    EXPECT_FALSE(modIni::IsPlaying);
    EXPECT_FALSE(p.Timer1.Enabled());

    // A file that is not audio at all.
    const int junk = addRow(dir.write("junk.wav", std::string(5000, '\x5A')));
    playRow(junk);
    EXPECT_TRUE(asked("This file cannot be played."));
    EXPECT_EQ(row(junk).SmallIcon(), "Picture_Stop");
    EXPECT_FALSE(modIni::IsPlaying);
    EXPECT_FALSE(p.Timer1.Enabled());
    EXPECT_EQ(p.Label_time.Caption(), "0:00");

    // A good song afterwards plays normally.
    const int good = addRow(dir.write("good.wav", silentWav(2.0)));
    playRow(good);
    EXPECT_TRUE(modIni::IsPlaying);
    EXPECT_EQ(p.Label_time.Caption(), "0:02");
}

TEST_F(PlaybackTest, SongWhoseNameIsNotUtf8PlaysFromTheFolderAndAListAndIsSavedUnchanged)
{
    // "café.wav" named on an older system: the "é" is the single byte 0xE9,
    // which is no UTF-8. Its sync file beside it has the same name.
    const std::string name = "caf\xE9.wav";
    const std::string song = dir.write("songs/" + name, silentWav(3.0));
    dir.write("songs/caf\xE9.syk", "Caf;0,5;\xE9;1;\r\n");
    Player& p = player();

    // The folder view lists it and plays it.
    modIni::PlayListTab = 0;
    p.PlayListTabName = "DirList";
    p.Dir1.setPath(dir.file("songs"));
    ASSERT_EQ(p.ListView1.ListItems.Count(), 1);
    EXPECT_EQ(row(1).Text(), name);
    playRow(1);
    EXPECT_EQ(p.Select_Song.Text(), song);
    EXPECT_EQ(questionCount(), 0);
    EXPECT_TRUE(modIni::IsPlaying);
    EXPECT_TRUE(p.HasSyk);
    EXPECT_EQ(p.Label_time.Caption(), "0:03");
    p.Command_Stop.press();
    // A song with an echo file only: the folder's mark stays the listing's when it plays.
    dir.write("songs/lone.wav", silentWav(1.0));
    dir.write("songs/lone.sy1", "Echo;0,5;\r\n");
    p.ListView1.ListItems.Clear();
    p.ListFolder();
    ASSERT_EQ(p.ListView1.ListItems.Count(), 2);
    EXPECT_EQ(row(2).SubItems(3), "N+");
    playRow(2);
    EXPECT_EQ(row(2).SubItems(3), "N+");
    p.Command_Stop.press();

    // A play list keeps the name's bytes when it is saved and read again, and
    // the song plays from it.
    modIni::PlayListTab = 1;
    p.PlayListTabName = "PlayList";
    p.ListView1.ListItems.Clear();
    row(addRow(song)).setSubItems(PlayList::ColSyncFlag, "Y");
    const std::string lst = dir.file("list.lst");
    ASSERT_TRUE(p.SavePlayList(lst));
    const std::string saved = testsupport::readFileBytes(lst);
    EXPECT_NE(saved.find(";" + song + ";"), std::string::npos);
    p.ListView1.ListItems.Clear();
    std::string path = lst;
    p.LoadPlayList(path);
    ASSERT_EQ(p.ListView1.ListItems.Count(), 1);
    EXPECT_EQ(row(1).SubItems(PlayList::ColPath), song);
    ASSERT_TRUE(p.SavePlayList(dir.file("again.lst")));
    EXPECT_EQ(testsupport::readFileBytes(dir.file("again.lst")), saved);
    prompter->clear();
    playRow(1);
    EXPECT_EQ(questionCount(), 0);
    EXPECT_TRUE(modIni::IsPlaying);
    p.Command_Stop.press();
}

// A sync file saved as "Unicode" by a Windows editor shows its lyrics; one far
// larger than any song's, or one that cannot be read, is named in a message,
// and the song plays on without lyrics.
TEST_F(PlaybackTest, Utf16SyncFilesShowAndOnesThatCannotBeReadAreNamedInAMessage)
{
    const std::string song = dir.write("song.wav", silentWav(3.0));
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("Hel;1,5;lo;2;\r\nworld;2,5;\r\n"))
        utf16 += std::string{c, '\0'};
    dir.write("song.syk", utf16);
    playRow(addRow(song));
    Player& p = player();
    EXPECT_EQ(questionCount(), 0);
    EXPECT_TRUE(p.HasSyk);
    EXPECT_EQ(Kar::KarPage.PageLines[1], "Hello");
    EXPECT_EQ(Kar::KarPage.PageLines[2], "world");
    p.Command_Stop.press();

    const std::string huge = dir.write("song.syk", "Hel;1,5;lo;2;\r\n");
    std::filesystem::resize_file(huge, std::uintmax_t(1) << 30);
    const std::string echo = dir.write("song.sy1", "Echo;1;\r\n");
    std::filesystem::resize_file(echo, std::uintmax_t(200) << 20);
    prompter->clear();
    prompter->answerMsgBox(vbOK);
    prompter->answerMsgBox(vbOK);
    playRow(1);
    EXPECT_TRUE(asked("The sync file " + huge + " (1024 MB) is far too large to be a song's (at most 1 MB): it is not read.",
                      vbOKOnly + vbExclamation));
    EXPECT_TRUE(asked("The sync file " + echo + " (200 MB) is far too large"));
    EXPECT_EQ(questionCount(), 2);
    EXPECT_TRUE(modIni::IsPlaying);
    EXPECT_FALSE(p.HasSyk);
    EXPECT_FALSE(p.HasSy1);
    EXPECT_EQ(Kar::KarPage.PageLines[1], "");
    // Going back reads nothing again and says nothing again.
    p.Command_Back.press();
    EXPECT_EQ(questionCount(), 2);
    p.Command_Stop.press();

    // A .syk whose mode forbids reading it, and a folder standing at the
    // .sy1's name, in either language.
    std::filesystem::remove(huge);
    std::filesystem::remove(echo);
    ASSERT_EQ(::chmod(dir.write("song.syk", "Hel;1,5;lo;2;\r\n").c_str(), 0), 0);
    std::filesystem::create_directory(echo);
    testsupport::ObeyFileModes asUser;   // root reads any file whatever its mode
    if (!asUser.active())
        GTEST_SKIP() << "file modes cannot be obeyed here";
    for (const bool fr : {false, true}) {
        modIni::Langue = fr ? "Fr" : "En";
        prompter->clear();
        prompter->answerMsgBox(vbOK);
        prompter->answerMsgBox(vbOK);
        playRow(1);
        for (const std::string& f : {huge, echo})
            EXPECT_TRUE(asked(fr ? "Le fichier de synchronisation " + f + " n'a pas pu être lu."
                                 : "The sync file " + f + " could not be read.",
                              vbOKOnly + vbExclamation)) << f;
        EXPECT_EQ(questionCount(), 2);
        EXPECT_FALSE(p.HasSyk || p.HasSy1);
        playFor(1000);
        EXPECT_NEAR(p.ActiveMovie1.CurrentPosition(), 1.0, 0.05);
        p.Command_Stop.press();
    }
    modIni::Langue = "En";
}

TEST_F(PlaybackTest, VolumeAndMuteOnAnAudioSong)
{
    playRow(addRow(dir.write("song.wav", silentWav(10.0))));
    Player& p = player();
    media::MediaPlayer& m = p.ActiveMovie1;
    const SliderRect& knob = Kar::SliderVolume.ButtonRect();

    p.VolumeCtl_MouseMove(vbLeftButton, 0, knobMiddleX(knob), 0);
    EXPECT_EQ(Kar::SliderVolume.Value(), 127);
    EXPECT_EQ(m.Volume(), 0);
    p.VolumeCtl_MouseMove(vbLeftButton, 0, knobMiddleX(knob), kFarAway);
    EXPECT_EQ(Kar::SliderVolume.Value(), 0);
    EXPECT_EQ(m.Volume(), -4500);
    // Moving without the button pressed sends nothing.
    m.setVolume(-100);
    p.VolumeCtl_MouseMove(0, 0, knobMiddleX(knob), 0);
    EXPECT_EQ(m.Volume(), -100);

    // Muted: the knob moves, nothing is heard; unmuting applies the knob.
    p.Check_Muet.setValue(1);
    EXPECT_TRUE(m.Mute());
    EXPECT_EQ(p.Check_Muet.ForeColor(), 0xFF);
    EXPECT_EQ(karaoke().Mute_S.Value(), 1);
    p.VolumeCtl_MouseMove(vbLeftButton, 0, knobMiddleX(knob), 0);
    EXPECT_EQ(Kar::SliderVolume.Value(), 127);
    EXPECT_EQ(m.Volume(), -100);
    p.Check_Muet.setValue(0);
    EXPECT_FALSE(m.Mute());
    EXPECT_EQ(m.Volume(), 0);
    EXPECT_EQ(p.Check_Muet.ForeColor(), 0xC00000);
    EXPECT_EQ(karaoke().Mute_S.Value(), 0);
}

TEST(SoundValues, SliderPositionsGiveTheDocumentedLevels)
{
    EXPECT_EQ(Kar::AudioVolume(127), 0);
    EXPECT_EQ(Kar::AudioVolume(0), -4500);
    EXPECT_EQ(Kar::AudioVolume(64), -2232);
    EXPECT_EQ(Kar::MidiVolume(0), -3000);
    EXPECT_EQ(Kar::MidiVolume(64), -312);
    EXPECT_EQ(Kar::MidiVolume(127), 2334);
    EXPECT_FLOAT_EQ(Kar::SpeedFactor(64), 1.0f);
    EXPECT_FLOAT_EQ(Kar::SpeedFactor(127), 2.0f);
    EXPECT_FLOAT_EQ(Kar::SpeedFactor(4), 0.0f);
    EXPECT_NEAR(Kar::SpeedFactor(5), 1.0f / 15.0f, 1e-6);
    EXPECT_EQ(Kar::TransposeSemitones(64), 0);
    EXPECT_EQ(Kar::TransposeSemitones(63), -2);
    EXPECT_EQ(Kar::TransposeSemitones(0), -12);
    EXPECT_EQ(Kar::TransposeSemitones(127), 12);
}

TEST_F(PlaybackTest, SpeedAndTransposeOnAnAudioSongSayOncePerPress)
{
    playRow(addRow(dir.write("song.wav", silentWav(10.0))));
    Player& p = player();
    const SliderRect& speed = Kar::SliderVelocity.ButtonRect();
    for (int i = 0; i < 5; ++i)
        p.VelocityCtl_MouseMove(vbLeftButton, 0, 100.0f * i, knobMiddleY(speed));
    EXPECT_EQ(questionCount(), 1);
    EXPECT_TRUE(asked("This function is used only with Midi files only ", vbCritical));
    // The button released (a move without it), then pressed again.
    p.VelocityCtl_MouseMove(0, 0, 0, knobMiddleY(speed));
    p.VelocityCtl_MouseMove(vbLeftButton, 0, 0, knobMiddleY(speed));
    EXPECT_EQ(questionCount(), 2);

    const SliderRect& pitch = Kar::SliderTranspose.ButtonRect();
    p.TransposeCtl_MouseMove(vbLeftButton, 0, 0, knobMiddleY(pitch));
    p.TransposeCtl_MouseMove(vbLeftButton, 0, 50, knobMiddleY(pitch));
    EXPECT_EQ(questionCount(), 3);
    EXPECT_TRUE(asked("This function is used with Midi files only.", vbCritical));
    EXPECT_EQ(prompter->questions().back().title, "Warning");
}

TEST_F(PlaybackTest, NoSoundServerAtSongStartIsSaidOnceInTheProgramsLanguage)
{
    // No sound server at all: the song plays silently, and the user hears why.
    testsupport::TempDir nowhere;
    testsupport::ScopedEnv server{"PULSE_SERVER", ("unix:" + nowhere.file("native")).c_str()};
    modIni::Langue = "Fr";
    const int a = addRow(dir.write("a.wav", silentWav(3.0)));
    const int b = addRow(dir.write("b.wav", silentWav(3.0)));
    media::engine().setOutput(media::OutputKind::Device);
    playRow(a);
    QElapsedTimer waited;
    waited.start();
    while (questionCount() == 0 && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(questionCount(), 1);
    EXPECT_EQ(prompter->questions()[0].text.rfind("Pas de sortie du son", 0), 0u);
    EXPECT_EQ(prompter->questions()[0].title, "Attention");
    EXPECT_TRUE(modIni::IsPlaying);
    const double at = player().ActiveMovie1.CurrentPosition();
    QTest::qWait(300);
    EXPECT_GT(player().ActiveMovie1.CurrentPosition(), at + 0.1);   // goes on in real time

    // The next song, with the server still away: nothing more is said.
    playRow(b);
    QTest::qWait(700);
    EXPECT_EQ(questionCount(), 1);
    player().Command_Stop_Click();
    media::useSteppedOutput();
}
