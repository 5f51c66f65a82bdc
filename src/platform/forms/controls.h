#pragma once
// The standard controls. Each is a member of a window (`CheckBox Check_Muet{this};`)
// or of a container control (`OptionButton Li2{&NbLigne};`, the Frame declared
// first). Geometry in twips, colours 0xBBGGRR.
//
// Rules the windows rely on:
// - CommandButton: setValue(true) runs Click at once (also when hidden or disabled).
// - CheckBox: setValue runs Click only when the value changes; a user click
//   checks an unchecked or greyed box, clears a checked one, and runs Click.
// - OptionButton: one group per container (the form, a Frame, a PictureBox);
//   setValue(true) runs Click when the value changes and clears the others of
//   the group (their Click does not run); setValue(false) just clears it.
// - ScrollBar / ProgressBar: a value outside Min..Max is refused, the old value kept.
// - ListBox / ComboBox: setListIndex runs Click when the selection changes.
// - Timer: stopped until code enables it with a non-zero Interval.
#include "platform/forms/control.h"
#include "platform/forms/picture.h"
#include "platform/forms/surface.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;
class QMenu;
class QAction;
class QTimer;

// Alignment of labels and text boxes.
constexpr int vbLeftJustify = 0;
constexpr int vbRightJustify = 1;
constexpr int vbCenter = 2;

// Check box values.
constexpr int vbUnchecked = 0;
constexpr int vbChecked = 1;
constexpr int vbGrayed = 2;

// Styles of buttons, check boxes, option buttons.
constexpr int vbButtonStandard = 0;
constexpr int vbButtonGraphical = 1;

// ---------------------------------------------------------------- CommandButton
class CommandButton : public Control {
public:
    explicit CommandButton(Container* parent);
    ~CommandButton() override;
    std::string Caption() const;
    void setCaption(const std::string& s);
    // Always false when read; setting true runs Click at once.
    bool Value() const { return false; }
    void setValue(bool v);
    // Presses the button from code (same as setValue(true)).
    void press() { setValue(true); }
    // 0 standard, 1 graphical (shows Picture).
    int Style() const { return style_; }
    void setStyle(int s);
    const StdPicture& Picture() const { return picture_; }
    void setPicture(const StdPicture& p);
    // Enter on the window presses the default button, Escape the cancel button.
    bool Default() const;
    void setDefault(bool b);
    bool Cancel() const;
    void setCancel(bool b);
    void appearanceChanged() override;

private:
    int style_ = 0;
    StdPicture picture_;
};

// ---------------------------------------------------------------- StateButton
// What the check box and the option button share: a caption, the standard or
// graphical style (a push button that stays down while set), a picture shown
// in the graphical style, and the alignment of the standard style.
class QAbstractButton;

class StateButton : public Control {
public:
    std::string Caption() const { return caption_; }
    void setCaption(const std::string& s);
    // 0 standard, 1 graphical (a push button that stays down while set).
    int Style() const { return style_; }
    void setStyle(int s);
    const StdPicture& Picture() const { return picture_; }
    void setPicture(const StdPicture& p);
    int Alignment() const { return alignment_; }
    void setAlignment(int a);
    void appearanceChanged() override;

protected:
    explicit StateButton(Container* parent) : Control(parent, nullptr) {}
    // Makes the widget for the current style (through installWidget) and shows the value.
    virtual void rebuild() = 0;
    // Puts a new widget in place, with the caption, alignment, picture and colours.
    void installWidget(QAbstractButton* b);

private:
    int style_ = 0;
    int alignment_ = 0;
    StdPicture picture_;
    std::string caption_;
};

// ---------------------------------------------------------------- CheckBox
class CheckBox : public StateButton {
public:
    explicit CheckBox(Container* parent);
    // 0 unchecked, 1 checked, 2 greyed. Click runs when the value changes.
    int Value() const { return value_; }
    void setValue(int v);
    // The widget took a user click: toggles the value and runs Click.
    void userToggled();

private:
    int value_ = 0;
    void rebuild() override;
    void showValue();
};

// ---------------------------------------------------------------- OptionButton
class OptionButton : public StateButton {
public:
    explicit OptionButton(Container* parent);
    ~OptionButton() override;
    bool Value() const { return value_; }
    void setValue(bool v);
    // The widget took a user click.
    void userSelected();

private:
    bool value_ = false;
    void rebuild() override;
    void showValue();
};

// ---------------------------------------------------------------- Label
class Label : public Control {
public:
    explicit Label(Container* parent);
    std::string Caption() const { return caption_; }
    void setCaption(const std::string& s);
    // 0 left, 1 right, 2 centre.
    int Alignment() const { return alignment_; }
    void setAlignment(int a);
    // Sizes the label to its caption.
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool b);
    // 0 transparent (the surface behind shows through), 1 opaque (default).
    int BackStyle() const { return backStyle_; }
    void setBackStyle(int s);
    // 0 none, 1 fixed single.
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int s);
    bool WordWrap() const { return wordWrap_; }
    void setWordWrap(bool b);
    void appearanceChanged() override;

private:
    std::string caption_;
    int alignment_ = 0;
    bool autoSize_ = false;
    int backStyle_ = 1;
    int borderStyle_ = 0;
    bool wordWrap_ = false;
    void applyAutoSize();
};

// ---------------------------------------------------------------- TextBox
class TextBox : public Control {
public:
    explicit TextBox(Container* parent);
    // Multi-line text comes back with CR LF line ends; either end is accepted.
    std::string Text() const;
    void setText(const std::string& s);
    bool MultiLine() const { return multiLine_; }
    void setMultiLine(bool b);
    // 0 none, 1 horizontal, 2 vertical, 3 both (multi-line boxes).
    int ScrollBars() const { return scrollBars_; }
    void setScrollBars(int s);
    bool Locked() const { return locked_; }
    void setLocked(bool b);
    int MaxLength() const { return maxLength_; }
    void setMaxLength(int n);
    int Alignment() const { return alignment_; }
    void setAlignment(int a);
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int s);
    // Selection in characters of Text() (CR LF counts as two).
    int SelStart() const;
    void setSelStart(int pos);
    int SelLength() const;
    void setSelLength(int len);
    std::string SelText() const;
    // Replaces the selection (inserts at the caret when none).
    void setSelText(const std::string& s);
    // Runs on every change of Text, from the user or from code.
    void onChange(std::function<void()> f) { change_ = std::move(f); }
    void appearanceChanged() override;
    void fireChange() { if (change_ && !muteChange_) change_(); }

private:
    bool multiLine_ = false;
    int scrollBars_ = 0;
    bool locked_ = false;
    int maxLength_ = 0;
    int alignment_ = 0;
    int borderStyle_ = 1;
    bool muteChange_ = false;
    std::function<void()> change_;
    void rebuild();
};

// ---------------------------------------------------------------- ListBox
class ListBox : public Control {
public:
    explicit ListBox(Container* parent);
    // Adds at the end, or before position `index` (0-based).
    void AddItem(const std::string& item, int index = -1);
    void RemoveItem(int index);
    void Clear();
    int ListCount() const;
    // "" outside the range.
    std::string List(int index) const;
    void setList(int index, const std::string& s);
    // -1 for none; setting it selects (and shows) the item and runs Click
    // when the selection changes.
    int ListIndex() const;
    void setListIndex(int index);
    // The selected item's text ("" for none); setting it selects the first
    // item with exactly that text.
    std::string Text() const;
    void setText(const std::string& s);
    bool Selected(int index) const;
    void setSelected(int index, bool b);
    // First visible item; setting it scrolls that item to the top.
    int TopIndex() const;
    void setTopIndex(int index);
    bool Sorted() const { return sorted_; }
    void setSorted(bool b);
    long ItemData(int index) const;
    void setItemData(int index, long v);
    void appearanceChanged() override;
    // A user or code selection change (runs Click).
    void selectionChangedByWidget();

private:
    bool sorted_ = false;
    bool muteClick_ = false;
    int lastIndex_ = -1;
};

// ---------------------------------------------------------------- ComboBox
class ComboBox : public Control {
public:
    explicit ComboBox(Container* parent);
    void AddItem(const std::string& item, int index = -1);
    void RemoveItem(int index);
    void Clear();
    int ListCount() const;
    std::string List(int index) const;
    void setList(int index, const std::string& s);
    // Setting it runs Click when the selection changes.
    int ListIndex() const;
    void setListIndex(int index);
    // The edit text (style 0) or the selected item (style 2).
    std::string Text() const;
    void setText(const std::string& s);
    // 0 drop-down combo (editable), 1 simple combo, 2 drop-down list.
    int Style() const { return style_; }
    void setStyle(int s);
    bool Sorted() const { return sorted_; }
    void setSorted(bool b);
    long ItemData(int index) const;
    void setItemData(int index, long v);
    void onChange(std::function<void()> f) { change_ = std::move(f); }
    void appearanceChanged() override;
    void selectionChangedByWidget();
    void fireChange() { if (change_ && !muteChange_) change_(); }

private:
    void hookEditor();
    int style_ = 0;
    bool sorted_ = false;
    bool muteClick_ = false;
    bool muteChange_ = false;
    bool byCode_ = false;               // the program is changing the list
    bool indexChangedByUser_ = false;   // a user's choice changed the index
    int lastIndex_ = -1;
    std::function<void()> change_;
};

// ---------------------------------------------------------------- PictureBox
// A container and a drawing surface. The mouse stays captured by the box
// while a button is held (moves outside still reach it).
class PictureBox : public Control, public Container, public Surface {
public:
    explicit PictureBox(Container* parent);
    ~PictureBox() override;
    QWidget* clientWidget() const override;
    Form* parentForm() override { return form(); }

    // Colours and font belong to both the control and its surface.
    long BackColor() const { return Surface::BackColor(); }
    void setBackColor(long c);
    long ForeColor() const { return Surface::ForeColor(); }
    void setForeColor(long c);
    std::string FontName() const { return Surface::FontName(); }
    void setFontName(const std::string& n);
    double FontSize() const { return Surface::FontSize(); }
    void setFontSize(double s);
    bool FontBold() const { return Surface::FontBold(); }
    void setFontBold(bool b);
    bool FontItalic() const { return Surface::FontItalic(); }
    void setFontItalic(bool b);
    bool FontUnderline() const { return Surface::FontUnderline(); }
    void setFontUnderline(bool b);
    // The box's own size (twips) is its client size.
    int ScaleWidth() const { return Width(); }
    int ScaleHeight() const { return Height(); }
    // 0 none, 1 fixed single (a sunken border, as the old default).
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int s);
    // Sizes the box to its picture.
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool b);
    void setPicture(const StdPicture& p);
    void onResize(std::function<void()> f) { resize_ = std::move(f); }
    void onPaint(std::function<void()> f) { paint_ = std::move(f); }
    void fireResize() { if (resize_) resize_(); }
    void firePaint() { if (paint_) paint_(); }

protected:
    QWidget* surfaceWidget() const override;

private:
    int borderStyle_ = 1;
    bool autoSize_ = false;
    std::function<void()> resize_, paint_;
};

// ---------------------------------------------------------------- Image
class Image : public Control {
public:
    explicit Image(Container* parent);
    const StdPicture& Picture() const { return picture_; }
    // Without Stretch the control takes the picture's size.
    void setPicture(const StdPicture& p);
    bool Stretch() const { return stretch_; }
    void setStretch(bool b);
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int s);

private:
    StdPicture picture_;
    bool stretch_ = false;
    int borderStyle_ = 0;
};

// ---------------------------------------------------------------- Shape
// A figure drawn above whatever is printed on its container's surface.
class Shape : public Control {
public:
    explicit Shape(Container* parent);
    // 0 rectangle, 1 square, 2 oval, 3 circle, 4 rounded rectangle, 5 rounded square.
    // (The old property is called Shape; the getter is ShapeType so it does
    // not clash with the class name.)
    int ShapeType() const { return shape_; }
    void setShape(int s);
    long FillColor() const { return fillColor_; }
    void setFillColor(long c);
    // 0 solid, 1 transparent (default).
    int FillStyle() const { return fillStyle_; }
    void setFillStyle(int s);
    long BorderColor() const { return borderColor_; }
    void setBorderColor(long c);
    // 0 transparent, 1 solid (default).
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int s);
    int BorderWidth() const { return borderWidth_; }
    void setBorderWidth(int px);
    // 0 transparent (default), 1 opaque (filled with BackColor).
    int BackStyle() const { return backStyle_; }
    void setBackStyle(int s);
    void appearanceChanged() override;

private:
    int shape_ = 0;
    long fillColor_ = 0;
    int fillStyle_ = 1;
    long borderColor_ = 0x80000008;
    int borderStyle_ = 1;
    int borderWidth_ = 1;
    int backStyle_ = 0;
};

// ---------------------------------------------------------------- Line
// A line drawn above its container's surface; ends in container twips.
class Line : public Control {
public:
    explicit Line(Container* parent);
    double X1() const { return x1_; }
    double Y1() const { return y1_; }
    double X2() const { return x2_; }
    double Y2() const { return y2_; }
    void setX1(double v);
    void setY1(double v);
    void setX2(double v);
    void setY2(double v);
    long BorderColor() const { return borderColor_; }
    void setBorderColor(long c);
    int BorderWidth() const { return borderWidth_; }
    void setBorderWidth(int px);

private:
    double x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
    long borderColor_ = 0x80000008;
    int borderWidth_ = 1;
    void place();
};

// ---------------------------------------------------------------- Frame
class Frame : public Control, public Container {
public:
    explicit Frame(Container* parent);
    QWidget* clientWidget() const override;
    Form* parentForm() override { return form(); }
    std::string Caption() const;
    void setCaption(const std::string& s);
    // 0 none, 1 fixed single (default).
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int s);

private:
    int borderStyle_ = 1;
};

// ---------------------------------------------------------------- scroll bars
class ScrollBar : public Control {
public:
    int Min() const { return min_; }
    void setMin(int v);
    int Max() const { return max_; }
    void setMax(int v);
    // A value outside Min..Max is refused (the old value stays, false returned).
    int Value() const { return value_; }
    bool setValue(int v);
    int SmallChange() const { return small_; }
    void setSmallChange(int v);
    int LargeChange() const { return large_; }
    void setLargeChange(int v);
    // Change: the value changed (code, arrows, page clicks, thumb released).
    // Scroll: the thumb is being dragged (runs repeatedly).
    void onChange(std::function<void()> f) { change_ = std::move(f); }
    void onScroll(std::function<void()> f) { scroll_ = std::move(f); }
    // From the widget.
    void widgetValueChanged(int v);
    void widgetSliderReleased();

protected:
    ScrollBar(Container* parent, bool horizontal);

private:
    int min_ = 0, max_ = 32767, value_ = 0, small_ = 1, large_ = 1;
    bool mute_ = false;
    int dragStart_ = 0;
    std::function<void()> change_, scroll_;
    void applyRange();
};

class HScrollBar : public ScrollBar {
public:
    explicit HScrollBar(Container* parent) : ScrollBar(parent, true) {}
};

class VScrollBar : public ScrollBar {
public:
    explicit VScrollBar(Container* parent) : ScrollBar(parent, false) {}
};

// ---------------------------------------------------------------- ProgressBar
class ProgressBar : public Control {
public:
    explicit ProgressBar(Container* parent);
    double Min() const { return min_; }
    void setMin(double v);
    double Max() const { return max_; }
    void setMax(double v);
    // A value outside Min..Max is refused (the old value stays, false returned).
    double Value() const { return value_; }
    bool setValue(double v);
    // The smallest value above Value at which the bar is drawn one pixel
    // longer (infinity once it is full): a clock that moves the bar need not
    // look again before the value gets there.
    double NextStepValue() const;

private:
    double min_ = 0, max_ = 100, value_ = 0;
    long step_ = -1;  // pixels shown
    long pixels() const;
    void show();
};

// ---------------------------------------------------------------- Timer
// Not a visible control. Fires onTimer every Interval ms while Enabled and
// Interval > 0. A tick that comes while the previous handler still runs
// (DoEvents inside it) is dropped, so a handler never re-enters itself.
class Timer {
public:
    explicit Timer(Container* parent);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    int Interval() const { return interval_; }
    void setInterval(int ms);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool b);
    void onTimer(std::function<void()> f) { timer_ = std::move(f); }
    int Index() const { return index_; }
    void setIndex(int i) { index_ = i; }
    std::string Tag() const { return tag_; }
    void setTag(const std::string& t) { tag_ = t; }
    // Runs the handler as a tick would (for the layer and tests).
    void fire();
    // For a handler that knows nothing it shows can change sooner: the next
    // tick comes after `ms` milliseconds instead of the interval (once; a
    // value not above the interval changes nothing). Input to the program (a
    // click, a key, a drag, the wheel, a window shown, hidden or resized) and
    // the tick of any other timer end the rest: the next tick then comes
    // after the interval, as usual.
    void restFor(int ms);
    bool Resting() const { return resting_; }
    // For a handler that has nothing to do until something it watches
    // changes: no tick comes, though the timer stays Enabled, until wake()
    // (or setEnabled, setInterval) starts it again; the first tick then comes
    // after the interval. Neither input nor other timers wake it.
    void sleepUntilWoken();
    void wake();
    bool Asleep() const { return asleep_; }

private:
    std::unique_ptr<QTimer> qt_;
    int interval_ = 0;
    bool enabled_ = false;
    bool running_ = false;
    bool resting_ = false;
    bool asleep_ = false;
    friend class TimerWaker;
    void endRest();
    int index_ = -1;
    std::string tag_;
    std::function<void()> timer_;
    void apply();
};

// ---------------------------------------------------------------- Menu
// A menu of a form's menu bar (`Menu mnuFile{this};`) or an item of a menu
// (`Menu mnuOpen{&mnuFile};`). A caption "-" makes a separator. A top-level
// menu that is not Visible stays out of the menu bar and serves as a pop-up
// (Form::PopupMenu).
class Menu {
public:
    explicit Menu(Form* form);
    explicit Menu(Menu* parent);
    ~Menu();
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;
    std::string Caption() const { return caption_; }
    void setCaption(const std::string& s);
    bool Visible() const { return visible_; }
    void setVisible(bool b);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool b);
    bool Checked() const { return checked_; }
    void setChecked(bool b);
    int Index() const { return index_; }
    void setIndex(int i) { index_ = i; }
    std::string Tag() const { return tag_; }
    void setTag(const std::string& t) { tag_ = t; }
    void onClick(std::function<void()> f) { click_ = std::move(f); }
    void fireClick() { if (click_) click_(); }

    // --- for the layer
    Menu* parentMenu() const { return parent_; }
    Form* form() const { return form_; }
    const std::vector<Menu*>& items() const { return items_; }
    bool isSeparator() const { return caption_ == "-"; }
    // The QMenu of a menu with items (built on demand), the QAction of this item.
    QMenu* qmenu();
    QAction* action() const { return action_; }

private:
    Form* form_ = nullptr;
    Menu* parent_ = nullptr;
    std::vector<Menu*> items_;
    std::string caption_;
    bool visible_ = true;
    bool enabled_ = true;
    bool checked_ = false;
    int index_ = -1;
    std::string tag_;
    std::function<void()> click_;
    QAction* action_ = nullptr;
    std::unique_ptr<QMenu> menu_;
    void syncAction();
};
