#pragma once
// The second lyric window: a bare drawing surface docked directly under the main
// lyric window, showing the lyrics of the song's echo file (.sy1) for a second
// voice. It has no options of its own: margins, scrolling, kept sung lines and
// lines per page are read on the main lyric window. Dragging it moves the main
// window (it follows); resizing it gives both windows the mean height, 500 ms
// after the last resize.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

class Karaoke_K1 : public Form {
public:
    Karaoke_K1();
    ~Karaoke_K1() override;

    Timer Timer_Resize{this};                // delayed re-layout, armed by each resize
    CommandButton Command_Print2Ligne{this}; // hidden: pressing it redraws the block
    Image Image_Syncro2{this};               // ends of the count-down bar
    Image Image_Syncro1{this};
    Label Label_Sec{this};                   // count-down seconds
    Shape Shape_Ball{this};                  // the ball over the current syllable
    ProgressBar ProgressBar_Syncro{this};    // count-down bar

    void Form_Load() override;
    void Form_Activate() override;
    void Form_DblClick() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;
    void Form_MouseDown(int Button, int Shift, float X, float Y) override;
    void Form_MouseMove(int Button, int Shift, float X, float Y) override;
    void Form_Paint() override;
    void Form_Resize() override;
    void Form_Unload(int& Cancel) override;
    void placeChanged() override;
    void Command_Print2Ligne_Click();
    void Timer_Resize_Timer();

    // Clears the window and prints the whole lyric block from the page state.
    void PrintKarLinesK1();

    // True from the start of the window's unload: a second unload request
    // (from the main window's "second window shown" box) does nothing.
    bool Closing() const { return unloading_; }

private:
    bool dragArmed_ = false;
    bool unloading_ = false;
};

// The second lyric window's default instance, created and loaded on first use.
Karaoke_K1& karaoke_K1();
