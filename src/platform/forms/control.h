#pragma once
// The base of every control placed on a window.
//
// A control owns one QWidget, created by the derived class and handed to the
// Control constructor, which parents it into the container's client widget and
// hooks the mouse, key and focus events. Geometry is in twips (15 per pixel).
//
// Writing a new control:
//
//     class Slider : public Control {
//     public:
//         explicit Slider(Container* parent)
//             : Control(parent, new QSlider(Qt::Horizontal)) {
//             // widget signals -> our events; the mouse/key/focus events
//             // (onMouseDown, onKeyDown, ...) are already hooked by Control.
//             QObject::connect(slider(), &QSlider::valueChanged,
//                              [this](int) { fireChange(); });
//         }
//         QSlider* slider() const { return static_cast<QSlider*>(widget()); }
//     };
//
// - Give the widget without a parent; Control reparents it, sets it visible and
//   deletes it in its destructor (it survives the container's deletion order:
//   a container declared before its children is destroyed after them).
// - Control raises DblClick for a left double click on the widget (and on
//   hooked inner widgets). Click is NOT raised for you (most widgets click on
//   release, buttons on key press too): call fireClick() where the widget
//   reports it, or set `clickOnMouseRelease(true)` for plain widgets that
//   click when the left button is released over them (labels, pictures).
// - A container control (Frame, PictureBox) also derives from Container and
//   returns the widget its children go into.
// - Controls are members of the window class: `CommandButton Command_Play{this};`
//   or, inside a frame, `OptionButton Option1{&Frame1};` (declare the frame first).
#include <functional>
#include <memory>
#include <string>

class QWidget;
class QFont;
class QPoint;
class Form;
class Control;

// Something controls can be placed in: a Form, a Frame, a PictureBox.
// Option buttons form one group per container.
class Container {
public:
    virtual ~Container() = default;
    // The widget children are parented into (the client area).
    virtual QWidget* clientWidget() const = 0;
    // The window this container belongs to.
    virtual Form* parentForm() = 0;
};

class Control {
public:
    Control(Container* parent, QWidget* widget);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // --- geometry (twips, relative to the container's client area)
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void setLeft(int twips);
    void setTop(int twips);
    void setWidth(int twips);
    void setHeight(int twips);
    // Negative width/height keep the current value (the old optional arguments).
    void Move(int left, int top, int width = -1, int height = -1);

    // --- state
    bool Visible() const;          // the control's own flag, even while its window is hidden
    void setVisible(bool v);
    bool Enabled() const;
    void setEnabled(bool e);

    // --- colours (0xBBGGRR; system colours like 0x8000000F are resolved)
    long BackColor() const { return backColor_; }
    void setBackColor(long c);
    long ForeColor() const { return foreColor_; }
    void setForeColor(long c);

    // --- font
    std::string FontName() const;
    void setFontName(const std::string& name);
    double FontSize() const;
    void setFontSize(double points);
    bool FontBold() const;
    void setFontBold(bool b);
    bool FontItalic() const;
    void setFontItalic(bool b);
    bool FontUnderline() const;
    void setFontUnderline(bool b);

    std::string ToolTipText() const { return toolTip_; }
    void setToolTipText(const std::string& t);
    std::string Tag() const { return tag_; }
    void setTag(const std::string& t) { tag_ = t; }
    // Free index for control arrays (Index property); -1 when not in an array.
    int Index() const { return index_; }
    void setIndex(int i) { index_ = i; }

    // --- methods
    void SetFocus();
    void Refresh();
    // 0 brings to front, 1 sends to back.
    void ZOrder(int position = 0);

    // --- events (one handler each; binding again replaces)
    void onClick(std::function<void()> f) { click_ = std::move(f); }
    void onDblClick(std::function<void()> f) { dblClick_ = std::move(f); }
    // Button: 1 left, 2 right, 4 middle. Shift: 1 shift, 2 ctrl, 4 alt. X, Y twips.
    using MouseHandler = std::function<void(int Button, int Shift, float X, float Y)>;
    void onMouseDown(MouseHandler f) { mouseDown_ = std::move(f); }
    void onMouseMove(MouseHandler f) { mouseMove_ = std::move(f); }
    void onMouseUp(MouseHandler f) { mouseUp_ = std::move(f); }
    // Setting KeyCode / KeyAscii to 0 swallows the key.
    void onKeyDown(std::function<void(int& KeyCode, int Shift)> f) { keyDown_ = std::move(f); }
    void onKeyUp(std::function<void(int& KeyCode, int Shift)> f) { keyUp_ = std::move(f); }
    void onKeyPress(std::function<void(int& KeyAscii)> f) { keyPress_ = std::move(f); }
    void onGotFocus(std::function<void()> f) { gotFocus_ = std::move(f); }
    void onLostFocus(std::function<void()> f) { lostFocus_ = std::move(f); }

    // --- for the layer and derived controls
    QWidget* widget() const;
    Container* container() const { return parent_; }
    Form* form() const { return form_; }
    void fireClick() { if (click_) click_(); }
    void fireDblClick() { if (dblClick_) dblClick_(); }
    bool hasClickHandler() const { return static_cast<bool>(click_); }
    // Mouse events arrive in widget pixels; these raise them in twips.
    void fireMouseDown(int button, int shift, float xPx, float yPx);
    void fireMouseMove(int button, int shift, float xPx, float yPx);
    void fireMouseUp(int button, int shift, float xPx, float yPx);
    // Key events; return false when the handler swallowed the key.
    bool fireKeyDown(int& keyCode, int shift);
    bool fireKeyUp(int& keyCode, int shift);
    bool fireKeyPress(int& keyAscii);
    // Plain widgets: a left release over the widget raises Click.
    void clickOnMouseRelease(bool on) { clickOnRelease_ = on; }
    bool clickOnMouseReleaseEnabled() const { return clickOnRelease_; }
    // Hook for derived controls to react to a font/colour change.
    virtual void appearanceChanged() {}
    // Whether a left double click at `pos` of `inner` (the control's widget
    // or a hooked one) raises DblClick; a control answers false where the
    // double click means something else to it.
    virtual bool dblClickAt(const QWidget* inner, const QPoint& pos) const
    {
        (void)inner;
        (void)pos;
        return true;
    }
    // Also takes the mouse, key and focus events of an inner widget (the
    // viewport of a list, the line edit of a combo box); mouse positions are
    // reported relative to the control's own widget.
    void hookWidget(QWidget* inner);
    // Puts a new widget in place of the current one (a style that needs
    // another kind of widget), keeping geometry, visibility, state and look.
    void replaceWidget(QWidget* widget);

private:
    friend struct ControlFilter;
    struct Impl;
    std::unique_ptr<Impl> d_;
    Container* parent_ = nullptr;
    Form* form_ = nullptr;
    long backColor_ = 0x8000000F;
    long foreColor_ = 0x80000012;
    std::string toolTip_;
    std::string tag_;
    int index_ = -1;
    bool visible_ = true;
    bool clickOnRelease_ = false;

    std::function<void()> click_, dblClick_, gotFocus_, lostFocus_;
    MouseHandler mouseDown_, mouseMove_, mouseUp_;
    std::function<void(int&, int)> keyDown_, keyUp_;
    std::function<void(int&)> keyPress_;
};
