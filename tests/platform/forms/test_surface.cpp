// The drawing surface: Print/Cls/CurrentY, what is drawn stays and is what
// the window shows, shapes and transparent labels above the printed text.
#include "platform/forms/app.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "support/testdir.h"

#include <functional>

#include <QFontInfo>
#include <QCoreApplication>
#include <QImage>
#include <QMainWindow>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class LyricForm : public Form {
public:
    Shape Shape_Ball{this};
    Label Label_Sec{this};
    LyricForm()
    {
        setBackColor(vbBlack);
        setForeColor(vbWhite);
        setFontName("DejaVu Sans");
        setFontSize(12);
        setFontBold(true);
        setAutoRedraw(true);
        Move(0, 0, 6000 + frameWidthTwips(), 3000 + frameHeightTwips());
        Shape_Ball.setShape(3);
        Shape_Ball.setFillStyle(0);
        Shape_Ball.setFillColor(vbBlue);
        Shape_Ball.setBorderColor(vbBlue);
        Shape_Ball.setVisible(false);
        Label_Sec.setVisible(false);
    }
};

QRgb rgbOf(long bgr) { return qRgb(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

// Pixels of colour `c` inside the rectangle (pixels).
int countColour(const QImage& img, QRect r, long c)
{
    int n = 0;
    r = r.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) == (rgbOf(c) & 0xFFFFFF)) ++n;
    return n;
}

QImage shown(Form& f) { return f.clientWidget()->grab().toImage(); }

TEST(Surface, PrintMovesToTheNextRowAndEmptyPrintOnlyMovesDown)
{
    LyricForm f;
    f.Cls();
    double row = f.TextHeight("a");
    ASSERT_GT(row, 0);
    EXPECT_EQ(static_cast<int>(row) % 15, 0);
    EXPECT_DOUBLE_EQ(f.TextHeight("a\r\nb"), 2 * row);
    EXPECT_DOUBLE_EQ(f.TextWidth(""), 0);
    EXPECT_GT(f.TextWidth("Hello"), f.TextWidth("Hel"));

    f.setCurrentX(300);
    f.setCurrentY(450);
    f.Print("Hello");
    EXPECT_DOUBLE_EQ(f.CurrentX(), 0);
    EXPECT_DOUBLE_EQ(f.CurrentY(), 450 + row);
    int lit = countColour(f.image(), QRect(20, 30, 200, static_cast<int>(row / 15)), vbWhite);
    EXPECT_GT(lit, 10);

    // An empty print draws nothing and moves down one row.
    QImage before = f.image().copy();
    f.Print("");
    EXPECT_DOUBLE_EQ(f.CurrentY(), 450 + 2 * row);
    EXPECT_EQ(f.image(), before);

    // "Print s;" keeps the row and moves right.
    f.setCurrentX(0);
    f.PrintInline("Ab");
    EXPECT_DOUBLE_EQ(f.CurrentX(), f.TextWidth("Ab"));
    EXPECT_DOUBLE_EQ(f.CurrentY(), 450 + 2 * row);

    f.Cls();
    EXPECT_DOUBLE_EQ(f.CurrentX(), 0);
    EXPECT_DOUBLE_EQ(f.CurrentY(), 0);
    EXPECT_EQ(countColour(f.image(), QRect(0, 0, 400, 200), vbWhite), 0);
}

TEST(Surface, WhatIsPrintedIsShownAndSurvivesRepaintAndResize)
{
    LyricForm f;
    f.Show();
    f.Cls();
    f.setCurrentY(600);
    f.Print("Karaoke");
    QRect text(0, 40, 300, 40);
    int lit = countColour(shown(f), text, vbWhite);
    EXPECT_GT(lit, 10);
    f.Refresh();
    EXPECT_EQ(countColour(shown(f), text, vbWhite), lit);

    // Shrinking and growing the window keeps the drawing.
    f.Move(0, 0, 1500, 1500);
    DoEvents();
    f.Move(0, 0, 6000 + f.frameWidthTwips(), 3000 + f.frameHeightTwips());
    DoEvents();
    EXPECT_EQ(f.ScaleWidth(), 6000);
    EXPECT_EQ(countColour(shown(f), text, vbWhite), lit);

    // Growing past the first size: the new part has the background colour.
    f.Move(0, 0, 9000 + f.frameWidthTwips(), 3000 + f.frameHeightTwips());
    DoEvents();
    QImage img = shown(f);
    ASSERT_GE(img.width(), 600);
    EXPECT_EQ(img.pixel(590, 10) & 0xFFFFFF, rgbOf(vbBlack) & 0xFFFFFF);
}

TEST(Surface, ShapeAndTransparentLabelStayAbovePrintedText)
{
    LyricForm f;
    f.Show();
    f.Cls();
    f.DrawBox(0, 0, 3000, 1500, vbRed, true);
    f.Shape_Ball.Move(300, 300, 450, 450);
    f.Shape_Ball.setVisible(true);
    // Printed after the ball was placed: the ball still covers it.
    f.setForeColor(vbGreen);
    f.setFontSize(40);
    f.setCurrentX(0);
    f.setCurrentY(0);
    f.Print("WWWWW");
    QImage img = shown(f);
    EXPECT_EQ(img.pixel(35, 35) & 0xFFFFFF, rgbOf(vbBlue) & 0xFFFFFF);

    // A transparent label shows the surface behind it; an opaque one its colour.
    f.Label_Sec.Move(0, 1800, 1500, 600);
    f.Label_Sec.setBackStyle(0);
    f.Label_Sec.setVisible(true);
    f.DrawBox(0, 1800, 1500, 2400, vbRed, true);
    img = shown(f);
    EXPECT_EQ(img.pixel(95, 155) & 0xFFFFFF, rgbOf(vbRed) & 0xFFFFFF);
    f.Label_Sec.setBackStyle(1);
    f.Label_Sec.setBackColor(vbYellow);
    img = shown(f);
    EXPECT_EQ(img.pixel(95, 155) & 0xFFFFFF, rgbOf(vbYellow) & 0xFFFFFF);
}

TEST(Surface, PrintAndCaptionsPaintTheirTextAndNotTheControlsBesideThem)
{
    LyricForm f;
    CommandButton Command_Play{&f};
    Command_Play.Move(4000, 0, 900, 400);
    f.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.window()));
    f.Cls();
    QCoreApplication::processEvents();
    struct Paints : QObject {
        int n = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            n += e->type() == QEvent::Paint;
            return false;
        }
    } paints;
    Command_Play.widget()->installEventFilter(&paints);
    const auto screen = [&] { return f.window()->screen()->grabWindow(f.window()->winId()).toImage(); };
    // How often the watched controls are painted while `act` runs; the window
    // then shows as much as a whole paint of it shows.
    const auto paintsOf = [&](const std::string& when, auto&& act) {
        paints.n = 0;
        act();
        QCoreApplication::processEvents();
        const int n = paints.n;
        const QImage shown = screen();
        f.clientWidget()->repaint();
        EXPECT_EQ(shown, screen()) << when;
        return n;
    };
    // Texts on the button's row, at the left and from the middle of the
    // window; a second row printed from x = 0. Neither they nor their clear
    // paint the button; text that runs under it, and its clear, do.
    const auto print = [&](double x, double y, const char* text) {
        f.setCurrentX(x);
        f.setCurrentY(y);
        f.Print(text);
        QCoreApplication::processEvents();
    };
    EXPECT_EQ(paintsOf("beside", [&] {
                  for (const char* text : {"Hel", "Hello my", "Hello my dear"})
                      print(0, 0, text);
                  print(1500, 0, "far\r\nfriend");
              }),
              0);
    EXPECT_EQ(paintsOf("cleared beside", [&] { f.Cls(); }), 0);
    EXPECT_GT(paintsOf("under", [&] { print(0, 0, "Hello my dear friend, hello my dear friend"); }), 0);
    EXPECT_GT(paintsOf("cleared under", [&] { f.Cls(); }), 0);

    // Large letters right under a bar of buttons: the bar is not painted again.
    f.setFontSize(26);
    Command_Play.Move(0, 600, 3000, 255);
    QCoreApplication::processEvents();
    EXPECT_EQ(paintsOf("large letters", [&] {
                  for (const char* text : {"Twin", "Twinkle twin", "Twinkle twinkle"})
                      print(120, 855, text);
              }),
              0);

    // A clock's caption reaching 3 px into the label under it (the main
    // window's elapsed time over the length) does not paint that label.
    Label elapsed{&f}, length{&f};
    elapsed.Move(300, 1245, 735, 255);
    length.Move(300, 1455, 825, 360);
    for (Label* l : {&elapsed, &length})
        l->setBackStyle(0), l->setFontBold(true), l->setCaption("0:00");
    QCoreApplication::processEvents();
    length.widget()->installEventFilter(&paints);
    for (const char* text : {"0:01", "0:59", "", "1:07", "12:47"})
        EXPECT_EQ(paintsOf(text, [&] { elapsed.setCaption(text); }), 0) << text;
}

TEST(Surface, ClsRedrawsThePictureAndTheDrawingCanBecomeThePicture)
{
    LyricForm f;
    QImage tile(20, 20, QImage::Format_RGB32);
    tile.fill(QColor(0, 255, 0));
    f.setPicture(StdPicture(tile));
    f.DrawBox(600, 600, 900, 900, vbRed, true);
    f.Cls();
    EXPECT_EQ(f.image().pixel(5, 5) & 0xFFFFFF, qRgb(0, 255, 0) & 0xFFFFFF);
    EXPECT_EQ(f.image().pixel(50, 50) & 0xFFFFFF, rgbOf(vbBlack) & 0xFFFFFF);

    // Keep a drawing as the background: Cls brings it back.
    f.DrawBox(600, 600, 900, 900, vbRed, true);
    f.setPicture(f.ImageCopy());
    f.DrawBox(1500, 0, 1800, 300, vbWhite, true);
    f.Cls();
    EXPECT_EQ(f.image().pixel(50, 50) & 0xFFFFFF, rgbOf(vbRed) & 0xFFFFFF);
    EXPECT_EQ(f.image().pixel(110, 10) & 0xFFFFFF, rgbOf(vbBlack) & 0xFFFFFF);

    // Removing the picture leaves the plain background.
    f.setPicture(StdPicture());
    f.Cls();
    EXPECT_EQ(f.image().pixel(5, 5) & 0xFFFFFF, rgbOf(vbBlack) & 0xFFFFFF);
}

TEST(Surface, ClsAfterClsStillClearsWhateverIsDrawnNext)
{
    // A window already clear is not filled again; every way of drawing must
    // still be cleared by the next Cls.
    LyricForm f;
    f.Show();
    f.Cls();
    f.Cls();
    const QRect area(0, 0, 400, 200);
    EXPECT_EQ(countColour(f.image(), area, vbWhite), 0);

    auto drawAndClear = [&](const char* what, const std::function<void()>& draw) {
        SCOPED_TRACE(what);
        draw();
        EXPECT_GT(countColour(f.image(), area, vbWhite), 0);
        f.Cls();
        EXPECT_EQ(countColour(f.image(), area, vbWhite), 0);
        EXPECT_EQ(countColour(shown(f), area, vbWhite), 0);
        f.Cls();
        EXPECT_DOUBLE_EQ(f.CurrentX(), 0);
        EXPECT_DOUBLE_EQ(f.CurrentY(), 0);
    };
    drawAndClear("Print", [&] { f.Print("Karaoke"); });
    drawAndClear("PrintInline", [&] { f.PrintInline("Karaoke"); });
    drawAndClear("DrawLine", [&] { f.DrawLine(0, 150, 3000, 150, vbWhite); });
    drawAndClear("DrawBox", [&] { f.DrawBox(0, 0, 1500, 1500, vbWhite, true); });
    QImage white(20, 20, QImage::Format_RGB32);
    white.fill(Qt::white);
    drawAndClear("PaintPicture", [&] { f.PaintPicture(StdPicture(white), 0, 0); });

    // A new background colour shows at once, even on a clear window, and the
    // window grown while clear stays clear in that colour.
    f.setBackColor(vbBlue);
    f.Cls();
    EXPECT_GT(countColour(f.image(), area, vbBlue), 1000);
    f.Move(0, 0, 9000 + f.frameWidthTwips(), 4500 + f.frameHeightTwips());
    f.Cls();
    const QImage grown = shown(f);
    EXPECT_EQ(countColour(grown, QRect(400, 200, 150, 80), vbBlue), 150 * 80);
}

TEST(Surface, PictureBoxDrawsAndTilesPictures)
{
    LyricForm f;
    PictureBox box{&f};
    box.setBorderStyle(0);
    box.Move(0, 0, 600, 600);
    box.setBackColor(vbWhite);
    QImage tile(10, 10, QImage::Format_RGB32);
    tile.fill(QColor(255, 0, 0));
    StdPicture pic(tile);
    EXPECT_EQ(pic.Width(), 150);
    EXPECT_NE(pic.Handle(), 0);
    box.PaintPicture(pic, 150, 150);
    box.PaintPicture(pic, 300, 300, 300, 300);   // stretched to 20 x 20 pixels
    box.DrawLine(0, 585, 600, 585, vbBlue);
    EXPECT_EQ(box.image().pixel(15, 15) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);
    EXPECT_EQ(box.image().pixel(38, 38) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);
    EXPECT_EQ(box.image().pixel(5, 5) & 0xFFFFFF, qRgb(255, 255, 255) & 0xFFFFFF);
    EXPECT_EQ(box.image().pixel(20, 39) & 0xFFFFFF, rgbOf(vbBlue) & 0xFFFFFF);
    // A new background colour clears the box, as the old boxes did.
    box.setBackColor(vbBlack);
    EXPECT_EQ(box.image().pixel(15, 15) & 0xFFFFFF, 0u);
}

TEST(Fonts, TheLyricDefaultFaceResolvesToComicNeue)
{
    // "Comic Sans MS" is the lyric windows' default; Linux has no such face and
    // fontconfig's own pick for an unknown name is a calligraphic italic.
    const std::string regular = FontFile("Comic Sans MS");
    const std::string bold = FontFile("Comic Sans MS", true);
    EXPECT_NE(regular.find("/ComicNeue-Regular."), std::string::npos) << regular;
    EXPECT_NE(bold.find("/ComicNeue-Bold."), std::string::npos) << bold;
    LyricForm f;
    f.setFontName("Comic Sans MS");
    EXPECT_EQ(QFontInfo(f.font()).family().toStdString(), "Comic Neue");
    EXPECT_FALSE(QFontInfo(f.font()).italic());
}

TEST(Pictures, LoadPictureReadsImagesAndSurvivesBadFiles)
{
    testsupport::TempDir dir;
    QImage img(8, 4, QImage::Format_RGB32);
    img.fill(Qt::red);
    std::string png = dir.file("tile.png");
    ASSERT_TRUE(img.save(QString::fromStdString(png)));
    std::string gifNamedJpg = dir.file("tile.jpg");
    ASSERT_TRUE(img.save(QString::fromStdString(gifNamedJpg), "BMP"));

    bool ok = false;
    StdPicture p = LoadPicture(png, &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(p.valid());
    EXPECT_EQ(p.Width(), 8 * 15);
    EXPECT_EQ(p.Height(), 4 * 15);
    EXPECT_TRUE(LoadPicture(gifNamedJpg).valid());   // the contents decide the format

    StdPicture none = LoadPicture(dir.file("missing.jpg"), &ok);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(none.valid());
    EXPECT_EQ(none.Handle(), 0);
    EXPECT_EQ(none.Width(), 0);

    dir.write("broken.gif", std::string("GIF89a\xff\xff\xff\xff garbage"));
    EXPECT_FALSE(LoadPicture(dir.file("broken.gif"), &ok).valid());
    EXPECT_FALSE(ok);
    EXPECT_FALSE(LoadPicture("").valid());
}

} // namespace
