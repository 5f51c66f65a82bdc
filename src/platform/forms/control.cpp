// The base control: geometry in twips, look, and the translation of Qt's
// mouse, key and focus events into the old events.
#include "platform/forms/control.h"

#include "platform/forms/app.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/widgets_p.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>
#include <QWidget>

#include <cmath>
#include <vector>

using namespace formsp;

struct ControlFilter : public QObject {
    explicit ControlFilter(Control* c) : control(c) {}
    bool eventFilter(QObject* obj, QEvent* ev) override;
    // Hands a key to the widget (and, when it ignores it, to the containers
    // Qt passes it on to) once our events have run: the old controls' keys
    // never reached the window's own key handlers.
    void deliverKey(QWidget* w, QKeyEvent* ke)
    {
        formsp::ControlKeyScope scope;
        synthesizing = true;
        QPointer<ControlFilter> self(this);
        QApplication::sendEvent(w, ke);
        if (self) synthesizing = false;
    }
    Control* control;
    bool synthesizing = false;
};

struct Control::Impl {
    QPointer<QWidget> widget;
    std::unique_ptr<ControlFilter> filter;
    std::vector<QPointer<QWidget>> inner;
    double left = 0, top = 0, width = 0, height = 0;
    std::string fontName;
    double fontSize = 0;
    bool bold = false, italic = false, underline = false;
    bool fontSet = false;
};

namespace formsp {
namespace {
int g_controlKeys = 0;
}
bool controlKeyInProgress() { return g_controlKeys > 0; }
ControlKeyScope::ControlKeyScope() { ++g_controlKeys; }
ControlKeyScope::~ControlKeyScope() { --g_controlKeys; }
} // namespace formsp

namespace {
int buttonFromQt(Qt::MouseButtons b)
{
    int r = 0;
    if (b & Qt::LeftButton) r |= vbLeftButton;
    if (b & Qt::RightButton) r |= vbRightButton;
    if (b & Qt::MiddleButton) r |= vbMiddleButton;
    return r;
}

// The key code Enter/Escape should leave to the widget itself. A push button
// takes Return; a check box or an option button (also in its push-button look,
// a checkable button) takes Space only, so Return there goes to the window's
// default button, as on the desktop.
bool widgetWantsReturn(QWidget* w)
{
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return !b->isCheckable();
    return qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w);
}

int keyAsciiOf(const QKeyEvent* ke)
{
    if (ke->key() == Qt::Key_Delete) return 0;  // the old KeyPress never saw Delete
    if (ke->key() == Qt::Key_Backspace && (ke->modifiers() & Qt::ControlModifier)) return 127;
    if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) return 13;
    if (ke->key() == Qt::Key_Escape) return 27;
    if (ke->key() == Qt::Key_Backspace) return 8;
    if (ke->key() == Qt::Key_Tab) return 9;
    QString t = ke->text();
    if (t.isEmpty()) return 0;
    char32_t cp = t.toUcs4().value(0);
    if (cp == 0 || cp > 0x10FFFF) return 0;
    return static_cast<int>(cp);
}
} // namespace

bool ControlFilter::eventFilter(QObject* obj, QEvent* ev)
{
    if (eventsBlocked() || synthesizing) return false;
    Control* c = control;
    QWidget* self = c->widget();
    QWidget* w = qobject_cast<QWidget*>(obj);
    if (!self || !w) return false;
    Form* f = c->form();
    if (f && f->unloading()) return false;
    switch (ev->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::MouseButtonDblClick: {
        auto* me = static_cast<QMouseEvent*>(ev);
        QPointF pos = w == self ? me->position() : QPointF(w->mapTo(self, me->position().toPoint()));
        int shift = shiftFromQt(static_cast<int>(me->modifiers()));
        QPointer<QWidget> guard(self);
        if (ev->type() == QEvent::MouseButtonPress) {
            c->fireMouseDown(buttonFromQt(me->button()), shift, static_cast<float>(pos.x()), static_cast<float>(pos.y()));
        } else if (ev->type() == QEvent::MouseMove) {
            c->fireMouseMove(buttonFromQt(me->buttons()), shift, static_cast<float>(pos.x()), static_cast<float>(pos.y()));
        } else if (ev->type() == QEvent::MouseButtonRelease) {
            c->fireMouseUp(buttonFromQt(me->button()), shift, static_cast<float>(pos.x()), static_cast<float>(pos.y()));
            if (guard && c->clickOnMouseReleaseEnabled() && me->button() == Qt::LeftButton &&
                self->rect().contains(pos.toPoint()))
                c->fireClick();
        } else {
            if (me->button() == Qt::LeftButton && c->dblClickAt(w, me->position().toPoint())) c->fireDblClick();
        }
        return !guard;  // the widget went away inside the handler
    }
    case QEvent::KeyPress: {
        if (controlKeyInProgress()) return false;
        auto* ke = static_cast<QKeyEvent*>(ev);
        QPointer<QWidget> guard(self);
        int shift = shiftFromQt(static_cast<int>(ke->modifiers()));
        int code = keyCodeFromQt(ke->key());
        if (code != 0) {
            if (f && !f->previewKeyDown(code, shift)) return true;
            if (!guard) return true;
            // As on the desktop: Escape presses the window's cancel button
            // whatever has the focus; Return presses a focused command button
            // itself, and the default button from a control that does not take
            // Return for its own.
            if (f && !f->unloading() && (code == vbKeyReturn || code == vbKeyEscape)) {
                CommandButton* b = nullptr;
                if (code == vbKeyEscape) b = f->cancelButton();
                else if (auto* focused = dynamic_cast<CommandButton*>(c); focused && w == self) b = focused;
                else if (!widgetWantsReturn(w)) b = f->defaultButton();
                if (b && b->Visible() && b->Enabled()) {
                    b->setValue(true);
                    return true;
                }
            }
            if (!c->fireKeyDown(code, shift)) return true;
            if (!guard) return true;
        }
        int ascii = keyAsciiOf(ke);
        if (ascii != 0) {
            int before = ascii;
            if (f && !f->previewKeyPress(ascii)) return true;
            if (!guard) return true;
            if (!c->fireKeyPress(ascii)) return true;
            if (!guard) return true;
            if (ascii != before) {
                // The handler changed the character: the widget gets the new one.
                char32_t cp = static_cast<char32_t>(ascii);
                QString text = (ascii > 0 && ascii <= 0x10FFFF) ? QString::fromUcs4(&cp, 1) : QString();
                QKeyEvent replaced(QEvent::KeyPress, ascii < 128 ? QChar(ascii).toUpper().unicode() : 0, ke->modifiers(), text);
                deliverKey(w, &replaced);
                ke->accept();
                return true;
            }
        }
        deliverKey(w, ke);
        ke->accept();
        return true;
    }
    case QEvent::KeyRelease: {
        if (controlKeyInProgress()) return false;
        auto* ke = static_cast<QKeyEvent*>(ev);
        int shift = shiftFromQt(static_cast<int>(ke->modifiers()));
        int code = keyCodeFromQt(ke->key());
        QPointer<QWidget> guard(self);
        if (code != 0 && f && !f->previewKeyUp(code, shift)) return true;
        if (!guard) return true;
        if (code != 0 && !c->fireKeyUp(code, shift)) return true;
        if (!guard) return true;
        deliverKey(w, ke);
        ke->accept();
        return true;
    }
    case QEvent::FocusIn:
        if (c->gotFocus_) c->gotFocus_();
        return false;
    case QEvent::FocusOut:
        if (c->lostFocus_) c->lostFocus_();
        return false;
    default:
        return false;
    }
}

Control::Control(Container* parent, QWidget* widget) : d_(std::make_unique<Impl>()), parent_(parent)
{
    form_ = parent ? parent->parentForm() : nullptr;
    d_->filter = std::make_unique<ControlFilter>(this);
    if (!widget) widget = new QWidget;
    d_->widget = widget;
    if (parent && parent->clientWidget()) widget->setParent(parent->clientWidget());
    widget->installEventFilter(d_->filter.get());
    widget->setMouseTracking(true);
    QSize hint = widget->sizeHint();
    if (!hint.isValid()) hint = QSize(81, 25);
    d_->width = tw(hint.width());
    d_->height = tw(hint.height());
    widget->setGeometry(0, 0, hint.width(), hint.height());
    widget->show();
}

Control::~Control()
{
    BlockEvents block;
    for (auto& in : d_->inner) {
        if (in) in->removeEventFilter(d_->filter.get());
    }
    if (d_->widget) {
        d_->widget->removeEventFilter(d_->filter.get());
        delete d_->widget.data();
    }
}

QWidget* Control::widget() const { return d_->widget.data(); }

void Control::hookWidget(QWidget* inner)
{
    if (!inner) return;
    inner->installEventFilter(d_->filter.get());
    inner->setMouseTracking(true);
    d_->inner.emplace_back(inner);
}

void Control::replaceWidget(QWidget* nw)
{
    if (!nw) return;
    QWidget* old = d_->widget.data();
    {
        BlockEvents block;
        if (old) {
            nw->setParent(old->parentWidget());
            nw->setEnabled(old->isEnabled());
            nw->setToolTip(old->toolTip());
            if (old->testAttribute(Qt::WA_SetPalette)) nw->setPalette(old->palette());
            nw->setVisible(!old->isHidden());
            old->removeEventFilter(d_->filter.get());
            nw->stackUnder(old);
            delete old;
        } else if (parent_ && parent_->clientWidget()) {
            nw->setParent(parent_->clientWidget());
            nw->show();
        }
    }
    d_->widget = nw;
    d_->inner.clear();
    nw->installEventFilter(d_->filter.get());
    nw->setMouseTracking(true);
    nw->setGeometry(px(d_->left), px(d_->top), px(d_->width), px(d_->height));
    if (d_->fontSet) nw->setFont(makeFont(d_->fontName, d_->fontSize, d_->bold, d_->italic, d_->underline));
    appearanceChanged();
}

// ---------------------------------------------------------------- geometry

int Control::Left() const { return static_cast<int>(std::lround(d_->left)); }
int Control::Top() const { return static_cast<int>(std::lround(d_->top)); }
int Control::Width() const { return static_cast<int>(std::lround(d_->width)); }
int Control::Height() const { return static_cast<int>(std::lround(d_->height)); }
void Control::setLeft(int twips) { Move(twips, Top()); }
void Control::setTop(int twips) { Move(Left(), twips); }
void Control::setWidth(int twips) { Move(Left(), Top(), twips, Height()); }
void Control::setHeight(int twips) { Move(Left(), Top(), Width(), twips); }

void Control::Move(int left, int top, int width, int height)
{
    d_->left = left;
    d_->top = top;
    if (width >= 0) d_->width = width;
    if (height >= 0) d_->height = height;
    if (QWidget* w = widget()) {
        int x = px(d_->left), y = px(d_->top);
        // Right and bottom edges are rounded on their own so that controls laid
        // edge to edge in twips stay edge to edge in pixels.
        int r = px(d_->left + d_->width), b = px(d_->top + d_->height);
        w->setGeometry(x, y, std::max(0, r - x), std::max(0, b - y));
    }
}

// ---------------------------------------------------------------- state

bool Control::Visible() const { return widget() ? !widget()->isHidden() : false; }
void Control::setVisible(bool v)
{
    if (QWidget* w = widget()) w->setVisible(v);
}
bool Control::Enabled() const { return widget() ? widget()->isEnabled() : false; }
void Control::setEnabled(bool e)
{
    if (QWidget* w = widget()) w->setEnabled(e);
}

namespace {
// Gives the widget (if any) the colour in three roles of its palette.
void paintRoles(QWidget* w, long c, QPalette::ColorRole a, QPalette::ColorRole b, QPalette::ColorRole d)
{
    if (!w) return;
    QPalette pal = w->palette();
    const QColor q = toQColor(c);
    pal.setColor(a, q);
    pal.setColor(b, q);
    pal.setColor(d, q);
    w->setPalette(pal);
}
} // namespace

void Control::setBackColor(long c)
{
    backColor_ = c;
    paintRoles(widget(), c, QPalette::Window, QPalette::Base, QPalette::Button);
    appearanceChanged();
}

void Control::setForeColor(long c)
{
    foreColor_ = c;
    paintRoles(widget(), c, QPalette::WindowText, QPalette::Text, QPalette::ButtonText);
    appearanceChanged();
}

// ---------------------------------------------------------------- font

std::string Control::FontName() const
{
    if (d_->fontSet) return d_->fontName;
    return widget() ? ss(widget()->font().family()) : std::string();
}
double Control::FontSize() const
{
    if (d_->fontSet) return d_->fontSize;
    return widget() ? widget()->font().pointSizeF() : 0.0;
}
bool Control::FontBold() const { return d_->fontSet ? d_->bold : (widget() && widget()->font().bold()); }
bool Control::FontItalic() const { return d_->fontSet ? d_->italic : (widget() && widget()->font().italic()); }
bool Control::FontUnderline() const { return d_->fontSet ? d_->underline : (widget() && widget()->font().underline()); }

#define ZUN_FONT_SETTER(body)                                       \
    if (!d_->fontSet && widget()) {                                 \
        QFont cur = widget()->font();                               \
        d_->fontName = ss(cur.family());                            \
        d_->fontSize = cur.pointSizeF() > 0 ? cur.pointSizeF() : 9; \
        d_->bold = cur.bold();                                      \
        d_->italic = cur.italic();                                  \
        d_->underline = cur.underline();                            \
    }                                                               \
    d_->fontSet = true;                                             \
    body;                                                           \
    if (d_->widget) d_->widget->setFont(makeFont(d_->fontName, d_->fontSize, d_->bold, d_->italic, d_->underline)); \
    appearanceChanged();

void Control::setFontName(const std::string& name) { ZUN_FONT_SETTER(d_->fontName = name) }
void Control::setFontSize(double points)
{
    if (!(points > 0) || !std::isfinite(points)) return;
    ZUN_FONT_SETTER(d_->fontSize = points)
}
void Control::setFontBold(bool b) { ZUN_FONT_SETTER(d_->bold = b) }
void Control::setFontItalic(bool b) { ZUN_FONT_SETTER(d_->italic = b) }
void Control::setFontUnderline(bool b) { ZUN_FONT_SETTER(d_->underline = b) }
#undef ZUN_FONT_SETTER

void Control::setToolTipText(const std::string& t)
{
    toolTip_ = t;
    if (QWidget* w = widget()) w->setToolTip(qs(t));
}

// ---------------------------------------------------------------- methods

void Control::SetFocus()
{
    QWidget* w = widget();
    if (!w) return;
    // Give the focus to the inner editor where there is one.
    QWidget* target = w->focusProxy() ? w->focusProxy() : w;
    target->setFocus(Qt::OtherFocusReason);
    if (QWidget* win = w->window()) {
        if (win->isVisible()) win->activateWindow();
    }
}

void Control::Refresh()
{
    if (QWidget* w = widget()) w->repaint();
}

void Control::ZOrder(int position)
{
    QWidget* w = widget();
    if (!w) return;
    if (position == 0) w->raise();
    else w->lower();
}

// ---------------------------------------------------------------- events

void Control::fireMouseDown(int button, int shift, float xPx, float yPx)
{
    if (mouseDown_) mouseDown_(button, shift, xPx * 15.0f, yPx * 15.0f);
}
void Control::fireMouseMove(int button, int shift, float xPx, float yPx)
{
    if (mouseMove_) mouseMove_(button, shift, xPx * 15.0f, yPx * 15.0f);
}
void Control::fireMouseUp(int button, int shift, float xPx, float yPx)
{
    if (mouseUp_) mouseUp_(button, shift, xPx * 15.0f, yPx * 15.0f);
}
bool Control::fireKeyDown(int& keyCode, int shift)
{
    if (keyDown_) keyDown_(keyCode, shift);
    return keyCode != 0;
}
bool Control::fireKeyUp(int& keyCode, int shift)
{
    if (keyUp_) keyUp_(keyCode, shift);
    return keyCode != 0;
}
bool Control::fireKeyPress(int& keyAscii)
{
    if (keyPress_) keyPress_(keyAscii);
    return keyAscii != 0;
}
