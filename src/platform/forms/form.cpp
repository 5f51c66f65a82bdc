// Top-level windows, their default instances and their unloading.
#include "platform/forms/form.h"

#include "platform/forms/app.h"
#include "platform/forms/controls.h"
#include "platform/forms/prompter.h"
#include "platform/forms/widgets_p.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmapCache>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <utility>

using namespace formsp;

namespace {
std::vector<Form*>& loadedForms()
{
    static std::vector<Form*> v;
    return v;
}
std::vector<Form*>& pendingDeletion()
{
    static std::vector<Form*> v;
    return v;
}

void destroyPending(Form* f)
{
    auto& p = pendingDeletion();
    auto it = std::find(p.begin(), p.end(), f);
    if (it == p.end()) return;
    p.erase(it);
    f->Form_Terminate();
    BlockEvents block;
    delete f;
    // The style keeps what it drew for the window's controls in the pixmap
    // cache, under keys that name their palettes: a window created anew never
    // asks for them again, so without this each opening and closing of a
    // window would leave its drawings behind until the cache is full (10 MB).
    QPixmapCache::clear();
}

// Deletes an unloaded form when the event loop gets back to the level the
// unload came from (QObject::deleteLater's rule), so a form's own handler
// can unload it and return safely.
class FormReaper : public QObject {
public:
    explicit FormReaper(Form* f) : form(f) {}
    ~FormReaper() override { destroyPending(form); }
    Form* form;
};

} // namespace

// ---------------------------------------------------------------- widgets

class FormClient : public QWidget {
public:
    explicit FormClient(Form* f) : form(f)
    {
        setMouseTracking(true);
        setFocusPolicy(Qt::ClickFocus);
        setAttribute(Qt::WA_OpaquePaintEvent, true);
    }
    Form* form;
    bool applying = false;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        form->paintSurface(p);
    }
    void resizeEvent(QResizeEvent*) override
    {
        if (eventsBlocked()) return;
        if (!applying) form->windowGeometryChanged(false, true);
    }
    bool ok() const { return !eventsBlocked() && form->loaded() && !form->unloading(); }
    void mousePressEvent(QMouseEvent* e) override
    {
        if (!ok()) return;
        form->mousePressedAt(e->globalPosition().toPoint());
        form->Form_MouseDown(button(e->button()), shiftFromQt(static_cast<int>(e->modifiers())),
                             static_cast<float>(e->position().x() * 15), static_cast<float>(e->position().y() * 15));
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        if (!ok()) return;
        form->mouseMovedTo(e->globalPosition().toPoint());
        form->Form_MouseMove(button(e->buttons()), shiftFromQt(static_cast<int>(e->modifiers())),
                             static_cast<float>(e->position().x() * 15), static_cast<float>(e->position().y() * 15));
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (!ok()) return;
        QPointer<FormClient> guard(this);
        form->Form_MouseUp(button(e->button()), shiftFromQt(static_cast<int>(e->modifiers())),
                           static_cast<float>(e->position().x() * 15), static_cast<float>(e->position().y() * 15));
        if (guard && ok() && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) form->Form_Click();
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override
    {
        if (!ok()) return;
        if (e->button() == Qt::LeftButton) form->Form_DblClick();
    }
    static int button(Qt::MouseButtons b)
    {
        int r = 0;
        if (b & Qt::LeftButton) r |= vbLeftButton;
        if (b & Qt::RightButton) r |= vbRightButton;
        if (b & Qt::MiddleButton) r |= vbMiddleButton;
        return r;
    }
};

class FormWindow : public QMainWindow {
public:
    explicit FormWindow(Form* f) : form(f) {}
    Form* form;

protected:
    void closeEvent(QCloseEvent* e) override
    {
        if (eventsBlocked() || form->unloading() || !form->loaded()) {
            e->accept();
            return;
        }
        if (Unload(*form, vbFormControlMenu)) e->accept();
        else e->ignore();
    }
    void changeEvent(QEvent* e) override
    {
        QMainWindow::changeEvent(e);
        if (eventsBlocked() || !form->loaded() || form->unloading()) return;
        if (e->type() == QEvent::ActivationChange) {
            if (isActiveWindow()) form->Form_Activate();
            else form->Form_Deactivate();
        } else if (e->type() == QEvent::WindowStateChange) {
            // Only a change between normal, minimised and maximised counts, not
            // the window becoming active.
            const Qt::WindowStates shape = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
            const auto* se = static_cast<QWindowStateChangeEvent*>(e);
            if ((se->oldState() & shape) != (windowState() & shape)) form->windowStateChanged();
            else form->windowGeometryChanged(false, true);
        }
    }
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override
    {
        QMainWindow::moveEvent(e);
        if (!eventsBlocked() && e->spontaneous()) form->windowGeometryChanged(true, false);
    }
    bool event(QEvent* e) override
    {
        // Keys that reach the window itself (no control has the focus).
        if (!eventsBlocked() && form->loaded() && !form->unloading() &&
            (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) && !controlKeyInProgress()) {
            auto* ke = static_cast<QKeyEvent*>(e);
            int shift = shiftFromQt(static_cast<int>(ke->modifiers()));
            int code = keyCodeFromQt(ke->key());
            if (e->type() == QEvent::KeyPress) {
                if (code) form->Form_KeyDown(code, shift);
                // Escape and Return press the cancel and default buttons here too.
                CommandButton* b = code == vbKeyEscape   ? form->cancelButton()
                                   : code == vbKeyReturn ? form->defaultButton()
                                                         : nullptr;
                if (b && form->loaded() && !form->unloading() && b->Visible() && b->Enabled()) {
                    b->setValue(true);
                    return true;
                }
                QString t = ke->text();
                if (!t.isEmpty() && t[0].unicode() != 0x7F) {
                    int ascii = static_cast<int>(t.toUcs4().value(0));
                    if (ascii) form->Form_KeyPress(ascii);
                }
            } else if (code) {
                form->Form_KeyUp(code, shift);
            }
            return true;
        }
        return QMainWindow::event(e);
    }
};

// ---------------------------------------------------------------- Form

struct Form::Impl {
    FormWindow* window = nullptr;
    FormClient* client = nullptr;
    double left = 0, top = 0;
    double clientW = 4680, clientH = 3195;
    int reportedW = -1, reportedH = -1;
    // Where the left button last went down on the surface (screen pixels).
    QPoint pressGlobal;
    bool pressKnown = false;
    QPoint moveGlobal;  // and where the pointer last moved over it
    // Leaving the maximised or minimised state is the window manager's to do,
    // later: geometry asked for meanwhile is asked again until it holds.
    bool settling = false;
    // Top and bottom decorations (pixels) the manager drew round this window
    // when it was last seen framed as a normal window; -1 until then. A new
    // size counts once read twice running: the manager puts its slimmer
    // frame on a window it maximises a moment before the window hears that
    // it is maximised.
    int decorationPx = -1;
    int decorationSeenPx = -1;
    int settleChecks = 0;
    int settleStable = 0;
    QTimer* settleTimer = nullptr;
};

void FormWindow::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    // A size the window manager gives reaches the window itself, and not
    // always its client area (see Form::windowGeometryChanged).
    if (!eventsBlocked() && form->d_->client && !form->d_->client->applying)
        form->windowGeometryChanged(false, true);
}

Form::Form() : d_(std::make_unique<Impl>())
{
    // Controls take the old toolkit's default face, 8.25 pt "MS Sans Serif", so the
    // captions fit the button sizes the windows were laid out for.
    static const bool defaultFontSet = [] {
        QApplication::setFont(makeFont("MS Sans Serif", 8.25, false, false, false));
        return true;
    }();
    (void)defaultFontSet;
    d_->window = new FormWindow(this);
    d_->client = new FormClient(this);
    d_->window->setCentralWidget(d_->client);
    d_->window->setWindowTitle(QString());
    setBackColor(0x8000000F);
    applyGeometry();
}

Form::~Form()
{
    BlockEvents block;
    auto& l = loadedForms();
    l.erase(std::remove(l.begin(), l.end(), this), l.end());
    auto& p = pendingDeletion();
    p.erase(std::remove(p.begin(), p.end(), this), p.end());
    if (slot_ && *slot_ == this) *slot_ = nullptr;
    delete d_->window;
}

QWidget* Form::clientWidget() const { return d_->client; }
QMainWindow* Form::window() const { return d_->window; }
QWidget* Form::surfaceWidget() const { return d_->client; }
void Form::surfacePixelSize(int& width, int& height) const
{
    width = px(d_->clientW);
    height = px(d_->clientH);
}

void Form::loadOnce()
{
    if (loaded_ || unloaded_) return;
    loaded_ = true;
    loadedForms().push_back(this);
    Form_Load();
}

void Load(Form& form) { form.loadOnce(); }

namespace formsdetail {
void adopt(Form* form, Form** slot)
{
    *slot = form;
    form->setInstanceSlot(slot);
    form->loadOnce();
}
} // namespace formsdetail

std::vector<Form*> Forms() { return loadedForms(); }

void DestroyUnloadedForms()
{
    std::vector<Form*> p = pendingDeletion();
    for (Form* f : p) destroyPending(f);
}

bool Unload(Form& form, int mode)
{
    if (form.unloaded_ || !form.loaded_) return true;
    int cancel = 0;
    form.Form_QueryUnload(cancel, mode);
    if (cancel) return false;
    if (form.unloaded_) return true;  // unloaded again from inside the handler
    cancel = 0;
    form.Form_Unload(cancel);
    if (cancel) return false;
    if (form.unloaded_) return true;
    form.unloaded_ = true;
    {
        BlockEvents block;
        form.d_->window->hide();
    }
    auto& l = loadedForms();
    l.erase(std::remove(l.begin(), l.end(), &form), l.end());
    if (form.slot_ && *form.slot_ == &form) *form.slot_ = nullptr;
    if (form.owned_) {
        pendingDeletion().push_back(&form);
        (new FormReaper(&form))->deleteLater();
    }
    return true;
}

// ---------------------------------------------------------------- geometry

int Form::frameWidthTwips() const
{
    switch (borderStyle_) {
    case 0: return 0;
    case 1: case 3: case 4: return 90;
    default: return 120;
    }
}

int Form::frameHeightTwips() const
{
    switch (borderStyle_) {
    case 0: return 0;
    case 1: case 3: return 420;
    case 4: return 345;
    case 5: return 375;
    default: return 450;
    }
}

namespace {
int menuBarTwips(QMainWindow* w)
{
    QMenuBar* mb = w->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
    if (!mb || mb->isHidden()) return 0;
    return mb->sizeHint().height() * 15;
}

// Top and bottom decorations (pixels) of the last window with a border that
// the window manager framed; -1 until one was. The manager frames the
// program's windows alike, so this stands for a window not framed yet.
int lastDecorationPx = -1;
} // namespace

void Form::noteDecoration() const
{
    const QWindow* handle = d_->window->windowHandle();
    // A maximised window wears the manager's slimmer frame, and one being
    // restored still has it until the manager re-frames it: the frame it will
    // have as a normal window is the one last seen on a normal window.
    const bool normalFrame =
        !d_->settling && !(d_->window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
    if (borderStyle_ == 0 || !handle || !d_->window->isVisible() || !normalFrame) return;
    const QMargins m = handle->frameMargins();
    const int seen = m.top() + m.bottom();
    if (!m.isNull() && (d_->decorationPx < 0 || seen == d_->decorationSeenPx))
        d_->decorationPx = lastDecorationPx = seen;
    d_->decorationSeenPx = m.isNull() ? -1 : seen;
}

int Form::HeightShown() const
{
    const int inside = static_cast<int>(d_->clientH) + menuBarTwips(d_->window);
    if (borderStyle_ == 0) return inside;
    noteDecoration();
    // A window shown a moment ago is framed some time later, when the manager
    // gets to it: another window of the program, shown earlier, may well be
    // framed already, and its frame is a far better guess than fixed sizes.
    if (d_->decorationPx < 0 && lastDecorationPx < 0) {
        for (const Form* f : Forms()) {
            if (f != this) f->noteDecoration();
            if (lastDecorationPx >= 0) break;
        }
    }
    // Its own frame first: windows of other kinds may wear other frames.
    const int decoration = d_->decorationPx >= 0 ? d_->decorationPx : lastDecorationPx;
    return inside + (decoration >= 0 ? decoration * 15 : frameHeightTwips());
}

void Form::applyGeometry()
{
    FormWindow* w = d_->window;
    int mb = menuBarTwips(w);
    d_->client->applying = true;
    w->move(px(d_->left), px(d_->top));
    w->resize(std::max(1, px(d_->clientW)), std::max(1, px(d_->clientH + mb)));
    d_->client->resize(std::max(1, px(d_->clientW)), std::max(1, px(d_->clientH)));
    d_->client->applying = false;
    clientResized();
    if (loaded_ && !unloaded_) placeChanged();
}

void Form::windowGeometryChanged(bool moved, bool resized)
{
    FormWindow* w = d_->window;
    if (d_->settling) return;  // what the window manager does meanwhile is not what was asked
    if (moved) {
        QPoint p = w->pos();
        if (p.x() != px(d_->left)) d_->left = p.x() * 15;
        if (p.y() != px(d_->top)) d_->top = p.y() * 15;
    }
    if (resized) {
        // The window's own size is what the manager gave; the client area is
        // the window less the menu bar, as applyGeometry lays it out. The main
        // window's layout is no witness: when the manager's answers come in a
        // quick run (a size asked right after showing, then the size the window
        // was shown with, then the asked one again) it may leave the client
        // area at one of the earlier sizes.
        const QSize s(w->width(), w->height() - px(menuBarTwips(w)));
        if (w->isVisible() && w->windowState() != Qt::WindowMinimized) {
            if (s.width() != px(d_->clientW)) d_->clientW = s.width() * 15;
            if (s.height() != px(d_->clientH)) d_->clientH = s.height() * 15;
            const QSize inside(std::max(1, px(d_->clientW)), std::max(1, px(d_->clientH)));
            if (d_->client->size() != inside) {
                d_->client->applying = true;
                d_->client->resize(inside);
                d_->client->applying = false;
            }
        }
        clientResized();
    }
    if (loaded_ && !unloaded_) placeChanged();
}

void Form::clientResized()
{
    int w = px(d_->clientW), h = px(d_->clientH);
    ensureSurfaceSize(w, h);
    if (!loaded_ || unloaded_) return;
    if (w == d_->reportedW && h == d_->reportedH) return;
    d_->reportedW = w;
    d_->reportedH = h;
    Form_Resize();
    if (!AutoRedraw() && !unloaded_) Form_Paint();
}

int Form::Left() const { return static_cast<int>(d_->left); }
int Form::Top() const { return static_cast<int>(d_->top); }
int Form::Width() const { return static_cast<int>(d_->clientW) + frameWidthTwips(); }
int Form::Height() const { return static_cast<int>(d_->clientH) + frameHeightTwips() + menuBarTwips(d_->window); }
void Form::setLeft(int twips) { Move(twips, Top()); }
void Form::setTop(int twips) { Move(Left(), twips); }
void Form::setWidth(int twips) { Move(Left(), Top(), twips, Height()); }
void Form::setHeight(int twips) { Move(Left(), Top(), Width(), twips); }

void Form::Move(int left, int top, int width, int height)
{
    d_->left = left;
    d_->top = top;
    if (width >= 0) d_->clientW = std::max(0, width - frameWidthTwips());
    if (height >= 0) d_->clientH = std::max(0, height - frameHeightTwips() - menuBarTwips(d_->window));
    applyGeometry();
}

int Form::ScaleWidth() const { return static_cast<int>(d_->clientW); }
int Form::ScaleHeight() const { return static_cast<int>(d_->clientH); }
void Form::setScaleWidth(int twips)
{
    d_->clientW = std::max(0, twips);
    applyGeometry();
}
void Form::setScaleHeight(int twips)
{
    d_->clientH = std::max(0, twips);
    applyGeometry();
}

int Form::WindowState() const
{
    Qt::WindowStates s = d_->window->windowState();
    if (s & Qt::WindowMinimized) return vbMinimized;
    if (s & Qt::WindowMaximized) return vbMaximized;
    return vbNormal;
}

void Form::setWindowState(int state)
{
    const Qt::WindowStates old = d_->window->windowState();
    Qt::WindowStates s = old & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == vbMinimized) s |= Qt::WindowMinimized;
    else if (state == vbMaximized) s |= Qt::WindowMaximized;
    if (s == old) return;
    const bool leaving = state == vbNormal && (old & (Qt::WindowMaximized | Qt::WindowMinimized));
    d_->window->setWindowState(s);
    // A window manager restores the window some time later, to the place it
    // had before; the geometry set from now on is asked for again until the
    // window really has it.
    if (leaving && d_->window->isVisible() && QGuiApplication::platformName() == QLatin1String("xcb"))
        startSettling();
}

void Form::startSettling()
{
    d_->settling = true;
    d_->settleChecks = 0;
    d_->settleStable = 0;
    if (!d_->settleTimer) {
        d_->settleTimer = new QTimer(d_->window);
        d_->settleTimer->setInterval(50);
        QObject::connect(d_->settleTimer, &QTimer::timeout, d_->window, [this] { settleTick(); });
    }
    d_->settleTimer->start();
}

void Form::settleTick()
{
    FormWindow* w = d_->window;
    const int mb = menuBarTwips(w);
    const QPoint wantPos(px(d_->left), px(d_->top));
    const QSize wantSize(std::max(1, px(d_->clientW)), std::max(1, px(d_->clientH + mb)));
    const bool holds = w->pos() == wantPos && w->size() == wantSize;
    ++d_->settleChecks;
    // Held for a while (the manager's own late changes have come in), or the
    // manager will not give it: take what the window has.
    if ((holds && ++d_->settleStable >= 6) || d_->settleChecks >= 60 || !w->isVisible()) {
        d_->settleTimer->stop();
        d_->settling = false;
        windowGeometryChanged(true, true);
        return;
    }
    if (!holds) {
        d_->settleStable = 0;
        if (w->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)) return;
        d_->client->applying = true;
        w->move(wantPos);
        w->resize(wantSize);
        d_->client->applying = false;
    }
}

void Form::windowStateChanged()
{
    // Every change of state reaches Form_Resize, also one that keeps the
    // client size (minimising).
    d_->reportedW = d_->reportedH = -1;
    windowGeometryChanged(false, true);
    if (d_->settling) clientResized();
    if (loaded_ && !unloaded_) placeChanged();
}

// ---------------------------------------------------------------- properties

std::string Form::Caption() const { return ss(d_->window->windowTitle()); }
void Form::setCaption(const std::string& s) { d_->window->setWindowTitle(qs(s)); }
bool Form::Visible() const { return d_->window->isVisible(); }
void Form::setVisible(bool v)
{
    if (v) Show();
    else Hide();
}
bool Form::Enabled() const { return d_->window->isEnabled(); }
void Form::setEnabled(bool e) { d_->window->setEnabled(e); }

namespace {
void applyFlags(QMainWindow* w, int borderStyle, bool controlBox, bool minButton, bool maxButton, bool topMost)
{
    bool wasVisible = w->isVisible();
    Qt::WindowFlags f = Qt::Window;
    if (borderStyle == 0) f |= Qt::FramelessWindowHint;
    else {
        f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (borderStyle == 4 || borderStyle == 5) f |= Qt::Tool;
        if (controlBox) {
            f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (minButton && borderStyle != 3 && borderStyle < 4) f |= Qt::WindowMinimizeButtonHint;
            if (maxButton && borderStyle == 2) f |= Qt::WindowMaximizeButtonHint;
        }
    }
    if (topMost) f |= Qt::WindowStaysOnTopHint;
    if (w->windowFlags() == f) return;
    BlockEvents block;
    w->setWindowFlags(f);
    if (wasVisible) w->show();
}
} // namespace

void Form::setBorderStyle(int style)
{
    if (style < 0 || style > 5) return;
    // The client area stays; the outer size follows the new frame.
    borderStyle_ = style;
    applyFlags(d_->window, borderStyle_, controlBox_, minButton_, maxButton_, topMost_);
    applyGeometry();
}
void Form::setControlBox(bool b)
{
    controlBox_ = b;
    applyFlags(d_->window, borderStyle_, controlBox_, minButton_, maxButton_, topMost_);
}
void Form::setMinButton(bool b)
{
    minButton_ = b;
    applyFlags(d_->window, borderStyle_, controlBox_, minButton_, maxButton_, topMost_);
}
void Form::setMaxButton(bool b)
{
    maxButton_ = b;
    applyFlags(d_->window, borderStyle_, controlBox_, minButton_, maxButton_, topMost_);
}

void Form::SetTopMost(bool on)
{
    topMost_ = on;
    applyFlags(d_->window, borderStyle_, controlBox_, minButton_, maxButton_, topMost_);
}

void Form::setMousePointer(int pointer)
{
    mousePointer_ = pointer;
    switch (pointer) {
    case 0: d_->window->unsetCursor(); break;
    case vbHourglass: d_->window->setCursor(Qt::WaitCursor); break;
    case vbArrowHourglass: d_->window->setCursor(Qt::BusyCursor); break;
    case vbCrosshair: d_->window->setCursor(Qt::CrossCursor); break;
    case vbIbeam: d_->window->setCursor(Qt::IBeamCursor); break;
    case vbSizeAll: d_->window->setCursor(Qt::SizeAllCursor); break;
    case vbSizeWE: d_->window->setCursor(Qt::SizeHorCursor); break;
    case vbSizeNS: d_->window->setCursor(Qt::SizeVerCursor); break;
    case vbNoDrop: d_->window->setCursor(Qt::ForbiddenCursor); break;
    case vbArrowQuestion: d_->window->setCursor(Qt::WhatsThisCursor); break;
    default: d_->window->setCursor(Qt::ArrowCursor); break;
    }
}

void Form::setIcon(const StdPicture& p)
{
    if (p.valid()) d_->window->setWindowIcon(QIcon(QPixmap::fromImage(p.image())));
}

// ---------------------------------------------------------------- methods

void Form::Show()
{
    if (unloaded_) return;
    loadOnce();
    if (unloaded_) return;
    // The load may have read the language setting: Qt's own texts (the text
    // boxes' context menus) follow it.
    syncToolkitLanguage();
    bool wasHidden = !d_->window->isVisible();
    d_->window->show();
    d_->window->raise();
    d_->window->activateWindow();
    if (wasHidden) {
        // The layout has now placed the client area: take the size we asked for.
        d_->client->applying = true;
        d_->client->resize(std::max(1, px(d_->clientW)), std::max(1, px(d_->clientH)));
        d_->client->applying = false;
        clientResized();
    }
}

void Form::fitOnScreen(int& left, int& top, int& width, int& height)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return;
    const QScreen* home = primary;
    for (const QScreen* s : screens) {
        if (s->geometry().contains(px(left), px(top))) {
            home = s;
            break;
        }
    }
    const QRect work = home->availableGeometry();
    // At least a strip the user can see and take hold of (a size of 0 or less
    // would leave a window of one pixel), at most the work area.
    constexpr int kMinWidth = 100 * 15, kMinHeight = 50 * 15;
    width = std::clamp(width, std::min(kMinWidth, static_cast<int>(tw(work.width()))),
                       static_cast<int>(tw(work.width())));
    height = std::clamp(height, std::min(kMinHeight, static_cast<int>(tw(work.height()))),
                        static_cast<int>(tw(work.height())));

    // Whole pixels that cover the outer size, so that the moved window fits.
    const QRect frame(px(left), px(top), std::max(1, (width + 14) / 15), std::max(1, (height + 14) / 15));
    for (const QScreen* s : screens) {
        if (s->geometry().intersects(frame)) return;
    }
    const QRect area = primary->availableGeometry();
    const int x = std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() + 1 - frame.width()));
    const int y = std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() + 1 - frame.height()));
    left = static_cast<int>(tw(x));
    top = static_cast<int>(tw(y));
}

Form::ScreenArea Form::WorkAreaAt(int left, int top)
{
    const QScreen* screen = QGuiApplication::screenAt(QPoint(px(left), px(top)));
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return ScreenArea{0, 0, 1024 * 15, 768 * 15};
    const QRect a = screen->availableGeometry();
    return ScreenArea{a.left() * 15, a.top() * 15, a.width() * 15, a.height() * 15};
}

void Form::keepOnScreen()
{
    // The window's own size is the program's: only its place is taken.
    const int wasLeft = static_cast<int>(d_->left), wasTop = static_cast<int>(d_->top);
    int left = wasLeft, top = wasTop, width = Width(), height = Height();
    fitOnScreen(left, top, width, height);
    if (left == wasLeft && top == wasTop) return;
    d_->left = left;
    d_->top = top;
    applyGeometry();
}

void Form::placeOnScreen(int left, int top, int width, int height)
{
    fitOnScreen(left, top, width, height);
    setTop(top);
    setLeft(left);
    setHeight(height);
    setWidth(width);
}

void Form::Hide() { d_->window->hide(); }

void Form::SetFocus()
{
    if (!d_->window->isVisible()) return;
    d_->window->raise();
    d_->window->activateWindow();
    d_->client->setFocus(Qt::OtherFocusReason);
}

void Form::Refresh()
{
    if (loaded_ && !unloaded_ && !AutoRedraw()) Form_Paint();
    d_->client->repaint();
}

void Form::ZOrder(int position)
{
    if (position == 0) d_->window->raise();
    else d_->window->lower();
}

void Form::mousePressedAt(const QPoint& global)
{
    d_->pressGlobal = global;
    d_->pressKnown = true;
}

void Form::mouseMovedTo(const QPoint& global) { d_->moveGlobal = global; }

void Form::StartDrag(Form* target, DragLimit limit)
{
    Form* mover = target ? target : this;
    QMainWindow* win = mover->d_->window;
    // The window travels as far as the pointer does from where the button went
    // down, whichever of our windows the pointer is over. (A move by the
    // window manager would start from the pointer's place at this moment and
    // only for the window under it.)
    const QPoint now = d_->moveGlobal;
    const QPoint from = d_->pressKnown ? d_->pressGlobal : now;
    d_->pressKnown = false;
    class DragFilter : public QObject {
    public:
        DragFilter(Form* f, QMainWindow* w, QPoint from, DragLimit l)
            : form(f), win(w), start(from), origin(w->pos()), limit(std::move(l))
        {
        }
        // Where the window goes for the pointer at `pointer`.
        QPoint placeFor(QPoint pointer) const
        {
            QPoint want = origin + (pointer - start);
            if (!limit) return want;
            int left = want.x() * 15, top = want.y() * 15;
            limit(left, top, WorkAreaAt(pointer.x() * 15, pointer.y() * 15));
            return QPoint(px(left), px(top));
        }
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::MouseMove && win) {
                auto* me = static_cast<QMouseEvent*>(e);
                if (me->buttons() & Qt::LeftButton) {
                    win->move(placeFor(me->globalPosition().toPoint()));
                    form->windowGeometryChanged(true, false);
                    return true;
                }
            }
            if (e->type() == QEvent::MouseButtonRelease) {
                if (win) form->windowGeometryChanged(true, false);
                deleteLater();
                qApp->removeEventFilter(this);
            }
            return false;
        }
        Form* form;
        QPointer<QMainWindow> win;
        QPoint start, origin;
        DragLimit limit;
    };
    auto* filter = new DragFilter(mover, win, from, std::move(limit));
    qApp->installEventFilter(filter);
    // Travel already made before the drag was recognised counts too.
    win->move(filter->placeFor(now));
    mover->windowGeometryChanged(true, false);
}

void Form::PopupMenu(Menu& menu)
{
    Menu* chosen = prompter().popupMenu(menu);
    if (chosen && chosen->Enabled()) chosen->fireClick();
}

// ---------------------------------------------------------------- keys

bool Form::previewKeyDown(int& keyCode, int shift)
{
    if (keyPreview_ && loaded_ && !unloaded_) Form_KeyDown(keyCode, shift);
    return keyCode != 0;
}

bool Form::previewKeyUp(int& keyCode, int shift)
{
    if (keyPreview_ && loaded_ && !unloaded_) Form_KeyUp(keyCode, shift);
    return keyCode != 0;
}

bool Form::previewKeyPress(int& keyAscii)
{
    if (keyPreview_ && loaded_ && !unloaded_) Form_KeyPress(keyAscii);
    return keyAscii != 0;
}

// ---------------------------------------------------------------- menus

void Form::addMenu(Menu* m)
{
    if (std::find(menus_.begin(), menus_.end(), m) == menus_.end()) menus_.push_back(m);
    updateMenuBar();
}

void Form::removeMenu(Menu* m)
{
    menus_.erase(std::remove(menus_.begin(), menus_.end(), m), menus_.end());
    updateMenuBar();
}

void Form::updateMenuBar()
{
    bool any = false;
    for (Menu* m : menus_) any = any || m->Visible();
    QMenuBar* mb = d_->window->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
    if (!any && !mb) return;
    if (!mb) mb = d_->window->menuBar();
    mb->clear();
    for (Menu* m : menus_) {
        if (!m->Visible()) continue;
        if (!m->items().empty()) {
            QMenu* qm = m->qmenu();
            qm->setTitle(qs(m->Caption()));
            mb->addMenu(qm);
        } else if (m->action()) {
            mb->addAction(m->action());
        }
    }
    mb->setVisible(any);
    // The client area keeps its size; the window grows or shrinks around it.
    applyGeometry();
}
