#pragma once
// A top-level window. Each window of the program derives from Form, declares
// its controls as members (`CommandButton Command_Play{this};`), binds their
// events in its constructor and overrides the Form_ handlers it needs.
//
// A form is created hidden; Show() makes it visible, Hide() keeps it loaded.
// A window is reached through its default instance:
//
//     Player& player() { return formInstance<Player>(); }
//
// formInstance<F>() creates the form on first use and runs Form_Load once.
// Unload(form) runs Form_QueryUnload and Form_Unload (either may cancel),
// hides it and destroys it later, when control is back in the event loop, so
// a handler of the form itself may unload it; the next formInstance<F>()
// then creates a fresh one. Never keep a pointer to a form across a call that
// may unload it.
//
// Geometry: Left/Top/Width/Height are the outer frame in twips, ScaleWidth/
// ScaleHeight the client area. The frame is counted with the old program's
// fixed border sizes (see BorderStyle), so that the numbers the windows were
// laid out with give the same client areas whatever the window manager adds.
#include "platform/forms/control.h"
#include "platform/forms/surface.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;
class QMainWindow;
class QPoint;
class Menu;
class CommandButton;

// Reasons passed to Form_QueryUnload / known by Unload.
constexpr int vbFormControlMenu = 0;  // the user closed the window
constexpr int vbFormCode = 1;         // Unload from code
constexpr int vbAppWindows = 2;       // the session ends
constexpr int vbAppTaskManager = 3;

// Mouse pointers.
constexpr int vbDefault = 0;
constexpr int vbArrow = 1;
constexpr int vbCrosshair = 2;
constexpr int vbIbeam = 3;
constexpr int vbSizeAll = 5;
constexpr int vbSizeNESW = 6;
constexpr int vbSizeNS = 7;
constexpr int vbSizeNWSE = 8;
constexpr int vbSizeWE = 9;
constexpr int vbUpArrow = 10;
constexpr int vbHourglass = 11;
constexpr int vbNoDrop = 12;
constexpr int vbArrowHourglass = 13;
constexpr int vbArrowQuestion = 14;
constexpr int vbSizePointer = 15;
constexpr int vbCustom = 99;

// Window states.
constexpr int vbNormal = 0;
constexpr int vbMinimized = 1;
constexpr int vbMaximized = 2;

class Form : public Container, public Surface {
public:
    Form();
    ~Form() override;

    // --- Container
    QWidget* clientWidget() const override;
    Form* parentForm() override { return this; }
    // The top-level window.
    QMainWindow* window() const;

    // --- properties
    std::string Caption() const;
    void setCaption(const std::string& s);
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void setLeft(int twips);
    void setTop(int twips);
    void setWidth(int twips);
    void setHeight(int twips);
    // Negative width/height keep the current value.
    void Move(int left, int top, int width = -1, int height = -1);
    // The client area (twips). Setting it sizes the window around it.
    int ScaleWidth() const;
    int ScaleHeight() const;
    void setScaleWidth(int twips);
    void setScaleHeight(int twips);
    int WindowState() const;
    void setWindowState(int state);
    bool Visible() const;
    void setVisible(bool v);
    bool Enabled() const;
    void setEnabled(bool e);
    // The form sees key events of its controls first.
    bool KeyPreview() const { return keyPreview_; }
    void setKeyPreview(bool b) { keyPreview_ = b; }
    // 0 none, 1 fixed single, 2 sizable (default), 3 fixed dialog,
    // 4 fixed tool window, 5 sizable tool window.
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int style);
    bool ControlBox() const { return controlBox_; }
    void setControlBox(bool b);
    bool MinButton() const { return minButton_; }
    void setMinButton(bool b);
    bool MaxButton() const { return maxButton_; }
    void setMaxButton(bool b);
    int MousePointer() const { return mousePointer_; }
    void setMousePointer(int pointer);
    // The window icon.
    void setIcon(const StdPicture& p);

    // --- methods
    // Shows the window (modeless) and brings it forward; loads it if needed.
    void Show();
    void Hide();
    void SetFocus();
    void Refresh();
    // 0 brings the window in front of the others.
    void ZOrder(int position = 0);
    // Keeps the window above all others (or releases it).
    void SetTopMost(bool on);
    bool TopMost() const { return topMost_; }
    // The work area of a screen, in twips.
    struct ScreenArea {
        int left = 0, top = 0, width = 0, height = 0;
    };
    // Adjusts the place (outer top-left, twips) that a drag asks for, given
    // the work area of the screen under the pointer.
    using DragLimit = std::function<void(int& left, int& top, const ScreenArea& screen)>;
    // Starts moving a window with the mouse (call from a MouseDown or
    // MouseMove handler of this window): `target` (this window when null)
    // travels as far as the pointer does from where the button went down on
    // this window, while the button is held; `limit`, when given, may hold it
    // back at each step.
    void StartDrag(Form* target = nullptr, DragLimit limit = {});
    // Shows the sub-items of `menu` as a pop-up menu at the mouse and runs the
    // Click of the chosen item (through the prompter, so tests can choose).
    void PopupMenu(Menu& menu);

    // --- handlers (override the ones the window needs)
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_Deactivate() {}
    virtual void Form_Resize() {}
    virtual void Form_Paint() {}
    virtual void Form_Click() {}
    virtual void Form_DblClick() {}
    virtual void Form_KeyDown(int& KeyCode, int Shift) { (void)KeyCode; (void)Shift; }
    virtual void Form_KeyUp(int& KeyCode, int Shift) { (void)KeyCode; (void)Shift; }
    virtual void Form_KeyPress(int& KeyAscii) { (void)KeyAscii; }
    virtual void Form_MouseDown(int Button, int Shift, float X, float Y) { (void)Button; (void)Shift; (void)X; (void)Y; }
    virtual void Form_MouseMove(int Button, int Shift, float X, float Y) { (void)Button; (void)Shift; (void)X; (void)Y; }
    virtual void Form_MouseUp(int Button, int Shift, float X, float Y) { (void)Button; (void)Shift; (void)X; (void)Y; }
    virtual void Form_QueryUnload(int& Cancel, int UnloadMode) { (void)Cancel; (void)UnloadMode; }
    virtual void Form_Unload(int& Cancel) { (void)Cancel; }
    virtual void Form_Terminate() {}
    // The window's place, size or state (normal, minimised, maximised) may
    // have changed: by code, by the user or by the window manager. For a
    // window that keeps another one beside it.
    virtual void placeChanged() {}

    // --- for the layer
    bool loaded() const { return loaded_; }
    bool unloading() const { return unloaded_; }
    // Runs Form_Load once (formInstance does this).
    void loadOnce();
    // The window's default and cancel buttons (Enter / Escape).
    void setDefaultButton(CommandButton* b) { defaultButton_ = b; }
    void setCancelButton(CommandButton* b) { cancelButton_ = b; }
    CommandButton* defaultButton() const { return defaultButton_; }
    CommandButton* cancelButton() const { return cancelButton_; }
    // Menus of the form's menu bar (top-level Menu members register here).
    void addMenu(Menu* m);
    void removeMenu(Menu* m);
    void updateMenuBar();
    // Key events from a control of this form (KeyPreview), the rules of the
    // default/cancel buttons; false when the key was swallowed.
    bool previewKeyDown(int& keyCode, int shift);
    bool previewKeyUp(int& keyCode, int shift);
    bool previewKeyPress(int& keyAscii);
    // Where the instance pointer of formInstance lives (cleared on unload);
    // such a form belongs to the layer, which destroys it after Unload.
    void setInstanceSlot(Form** slot)
    {
        slot_ = slot;
        owned_ = slot != nullptr;
    }

    // A window wholly off every screen (a position saved on a larger or a
    // second monitor, or a hand-edited settings file) moves onto the primary
    // screen, where the user can reach it; one partly on a screen stays put.
    void keepOnScreen();
    // The same rule for a place and outer size (twips) before they are given to
    // a window: a size larger than the screen that holds the window's top-left
    // corner (else the primary screen) shrinks to that screen's work area, one
    // below 100 by 50 pixels grows to that, then a place no screen shows comes
    // onto the primary screen. Saved sizes go through here, so that a
    // hand-edited one never makes a window (and its drawing surface) thousands
    // of pixels wide.
    static void fitOnScreen(int& left, int& top, int& width, int& height);
    // Gives the window a saved place and outer size (twips), fitted first.
    void placeOnScreen(int left, int top, int width, int height);
    // The work area of the screen that holds the point (twips), else of the
    // primary screen.
    static ScreenArea WorkAreaAt(int left, int top);
    // Horizontal / vertical frame sizes in twips for the current border style.
    int frameWidthTwips() const;
    int frameHeightTwips() const;
    // The outer height (twips) as the window manager frames the window: its
    // client area, menu bar and the decorations the manager really draws
    // (known once it has framed this window, or taken from another of the
    // program's windows with a border that it has framed), else the fixed
    // border sizes. Windows that must lie edge to edge, or fit the screen
    // together, use this.
    int HeightShown() const;
    // The Height() that gives an outer height `shown` as framed.
    int HeightForShown(int shown) const { return shown - (HeightShown() - Height()); }
    // The client area changed size (from code or the user): grows the
    // surface and runs Form_Resize (and Form_Paint without AutoRedraw).
    void clientResized();
    // The user moved or resized the window: take its real geometry.
    void windowGeometryChanged(bool moved, bool resized);
    // The window state changed (maximised, minimised, normal): Form_Resize runs
    // whether or not the client size changed.
    void windowStateChanged();
    // Where the pointer went down / last moved on the surface (screen pixels).
    void mousePressedAt(const QPoint& global);
    void mouseMovedTo(const QPoint& global);
    bool ownedByLayer() const { return owned_; }

protected:
    QWidget* surfaceWidget() const override;
    void surfacePixelSize(int& width, int& height) const override;

private:
    friend bool Unload(Form& form, int mode);
    friend class FormWindow;
    friend class FormClient;
    void applyGeometry();
    // Records the decorations the window manager draws round this window as a
    // normal window, once it has framed it (HeightShown).
    void noteDecoration() const;
    void startSettling();
    void settleTick();
    struct Impl;
    std::unique_ptr<Impl> d_;
    Form** slot_ = nullptr;
    bool owned_ = false;
    bool loaded_ = false;
    bool unloaded_ = false;
    bool keyPreview_ = false;
    bool topMost_ = false;
    bool controlBox_ = true;
    bool minButton_ = true;
    bool maxButton_ = true;
    int borderStyle_ = 2;
    int mousePointer_ = 0;
    CommandButton* defaultButton_ = nullptr;
    CommandButton* cancelButton_ = nullptr;
    std::vector<Menu*> menus_;
};

// Unloads a form: Form_QueryUnload(Cancel, mode), then Form_Unload(Cancel);
// either may cancel (returns false, the form stays). Otherwise the form is
// hidden, leaves Forms() and is destroyed once control is back in the event
// loop (Form_Terminate runs then). Unloading an already unloaded form does
// nothing and returns true.
bool Unload(Form& form, int mode = vbFormCode);

// The loaded forms, in the order they were loaded.
std::vector<Form*> Forms();

// Runs Form_Load on a form created by other means than formInstance (a
// second copy of a window). formInstance does it itself.
void Load(Form& form);

// Destroys now the forms that Unload left for the event loop to destroy.
// For tests and the program's end; never call it from a handler of such a form.
void DestroyUnloadedForms();

namespace formsdetail {
// Registers a freshly created form in *slot and runs its Form_Load.
void adopt(Form* form, Form** slot);
template <class F>
Form*& instanceSlot()
{
    static Form* slot = nullptr;
    return slot;
}
} // namespace formsdetail

// The default instance of window class F: created (hidden) and loaded on first
// use, and again after it has been unloaded.
template <class F>
F& formInstance()
{
    Form*& slot = formsdetail::instanceSlot<F>();
    if (!slot) {
        F* f = new F();
        formsdetail::adopt(f, &slot);
        // Form_Load may have unloaded it again: the object lives on until the
        // event loop destroys it, so the reference stays usable meanwhile.
        return *f;
    }
    return static_cast<F&>(*slot);
}

// True while the default instance of F is loaded.
template <class F>
bool isLoaded()
{
    return formsdetail::instanceSlot<F>() != nullptr;
}
