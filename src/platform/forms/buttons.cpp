// Command buttons, check boxes and option buttons.
#include "platform/forms/controls.h"

#include "platform/forms/form.h"
#include "platform/forms/widgets_p.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QRadioButton>

#include <algorithm>
#include <vector>

using namespace formsp;

namespace {
// Buttons show their picture at its own size, as the old graphical style did.
void showPicture(QAbstractButton* b, const StdPicture& p)
{
    if (p.valid()) {
        b->setIcon(QIcon(QPixmap::fromImage(p.image())));
        b->setIconSize(QSize(p.pixelWidth(), p.pixelHeight()));
    } else {
        b->setIcon(QIcon());
    }
}

void paintButtonColour(QWidget* w, long back, long fore)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Button, toQColor(back));
    pal.setColor(QPalette::Window, toQColor(back));
    pal.setColor(QPalette::ButtonText, toQColor(fore));
    pal.setColor(QPalette::WindowText, toQColor(fore));
    w->setPalette(pal);
}

// A check box that lets us decide the next state of a user click.
class ZCheckBox : public QCheckBox {
public:
    explicit ZCheckBox(CheckBox* c) : owner(c) { setTristate(true); }
    CheckBox* owner;

protected:
    void nextCheckState() override { owner->userToggled(); }
    // The whole control answers the mouse, caption or not.
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

class ZToggleButton : public QPushButton {
public:
    explicit ZToggleButton(std::function<void()> f) : onUser(std::move(f)) { setCheckable(true); }
    std::function<void()> onUser;

protected:
    void nextCheckState() override { onUser(); }
};

class ZRadioButton : public QRadioButton {
public:
    explicit ZRadioButton(OptionButton* o) : owner(o) { setAutoExclusive(false); }
    OptionButton* owner;

protected:
    void nextCheckState() override { owner->userSelected(); }
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// A push button whose caption breaks onto several lines at its blanks when it
// is wider than the button, as the old command buttons did ("Afficher Karaoké"
// on two rows rather than clipped at both ends).
class ZWrapButton : public QPushButton {
public:
    void setCaption(const QString& s)
    {
        caption_ = s;
        rewrap();
    }
    const QString& caption() const { return caption_; }

protected:
    void resizeEvent(QResizeEvent* e) override
    {
        QPushButton::resizeEvent(e);
        rewrap();
    }
    void changeEvent(QEvent* e) override
    {
        QPushButton::changeEvent(e);
        if (e->type() == QEvent::FontChange) rewrap();
    }

private:
    void rewrap()
    {
        const QFontMetrics fm(font());
        const int room = width() - 6 - (icon().isNull() ? 0 : iconSize().width());
        if (room <= 0 || fm.horizontalAdvance(caption_) <= room || !caption_.contains(' ')) {
            setText(caption_);
            return;
        }
        QString out, line;
        for (const QString& word : caption_.split(' ', Qt::SkipEmptyParts)) {
            const QString tryLine = line.isEmpty() ? word : line + ' ' + word;
            if (!line.isEmpty() && fm.horizontalAdvance(tryLine) > room) {
                out += line + '\n';
                line = word;
            } else {
                line = tryLine;
            }
        }
        setText(out + line);
    }
    QString caption_;
};

Qt::LayoutDirection directionFor(int alignment)
{
    return alignment == vbRightJustify ? Qt::RightToLeft : Qt::LeftToRight;
}
} // namespace

// ---------------------------------------------------------------- CommandButton

CommandButton::CommandButton(Container* parent) : Control(parent, new ZWrapButton)
{
    auto* b = static_cast<QPushButton*>(widget());
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, [this] {
        if (eventsBlocked()) return;
        if (form() && form()->unloading()) return;
        fireClick();
    });
}

CommandButton::~CommandButton()
{
    if (Form* f = form()) {
        if (f->defaultButton() == this) f->setDefaultButton(nullptr);
        if (f->cancelButton() == this) f->setCancelButton(nullptr);
    }
}

std::string CommandButton::Caption() const { return ss(static_cast<ZWrapButton*>(widget())->caption()); }
void CommandButton::setCaption(const std::string& s) { static_cast<ZWrapButton*>(widget())->setCaption(qs(s)); }

void CommandButton::setValue(bool v)
{
    if (v) fireClick();
}

void CommandButton::setStyle(int s)
{
    style_ = s;
    showPicture(static_cast<QPushButton*>(widget()), style_ == 1 ? picture_ : StdPicture());
}

void CommandButton::setPicture(const StdPicture& p)
{
    picture_ = p;
    showPicture(static_cast<QPushButton*>(widget()), style_ == 1 ? picture_ : StdPicture());
}

bool CommandButton::Default() const { return form() && form()->defaultButton() == this; }
void CommandButton::setDefault(bool b)
{
    if (!form()) return;
    if (b) form()->setDefaultButton(this);
    else if (form()->defaultButton() == this) form()->setDefaultButton(nullptr);
    static_cast<QPushButton*>(widget())->setDefault(b);
}
bool CommandButton::Cancel() const { return form() && form()->cancelButton() == this; }
void CommandButton::setCancel(bool b)
{
    if (!form()) return;
    if (b) form()->setCancelButton(this);
    else if (form()->cancelButton() == this) form()->setCancelButton(nullptr);
}

void CommandButton::appearanceChanged() {}

// ---------------------------------------------------------------- StateButton

void StateButton::installWidget(QAbstractButton* b)
{
    replaceWidget(b);
    b->setText(qs(caption_));
    if (style_ == 0) b->setLayoutDirection(directionFor(alignment_));
    showPicture(b, style_ == 1 ? picture_ : StdPicture());
    paintButtonColour(b, BackColor(), ForeColor());
}

void StateButton::setCaption(const std::string& s)
{
    caption_ = s;
    if (auto* b = dynamic_cast<QAbstractButton*>(widget())) b->setText(qs(s));
}

void StateButton::setStyle(int s)
{
    if (s == style_ || s < 0 || s > 1) return;
    style_ = s;
    rebuild();
}

void StateButton::setPicture(const StdPicture& p)
{
    picture_ = p;
    if (auto* b = dynamic_cast<QAbstractButton*>(widget())) showPicture(b, style_ == 1 ? picture_ : StdPicture());
}

void StateButton::setAlignment(int a)
{
    alignment_ = a;
    if (style_ == 0) widget()->setLayoutDirection(directionFor(a));
}

void StateButton::appearanceChanged()
{
    if (widget()) paintButtonColour(widget(), BackColor(), ForeColor());
}

// ---------------------------------------------------------------- CheckBox

CheckBox::CheckBox(Container* parent) : StateButton(parent) { rebuild(); }

void CheckBox::rebuild()
{
    if (Style() == 1) installWidget(new ZToggleButton([this] { userToggled(); }));
    else installWidget(new ZCheckBox(this));
    showValue();
}

void CheckBox::showValue()
{
    QWidget* w = widget();
    if (auto* cb = dynamic_cast<QCheckBox*>(w)) {
        cb->setCheckState(value_ == 1 ? Qt::Checked : (value_ == 2 ? Qt::PartiallyChecked : Qt::Unchecked));
    } else if (auto* pb = dynamic_cast<QPushButton*>(w)) {
        pb->setChecked(value_ != 0);
    }
}

void CheckBox::setValue(int v)
{
    if (v < 0 || v > 2) return;  // the old control refused other values
    if (v == value_) return;
    value_ = v;
    showValue();
    fireClick();
}

void CheckBox::userToggled()
{
    if (eventsBlocked() || (form() && form()->unloading())) return;
    value_ = value_ == 1 ? 0 : 1;
    showValue();
    fireClick();
}

// ---------------------------------------------------------------- OptionButton

namespace {
std::vector<OptionButton*>& allOptions()
{
    static std::vector<OptionButton*> v;
    return v;
}
} // namespace

OptionButton::OptionButton(Container* parent) : StateButton(parent)
{
    allOptions().push_back(this);
    rebuild();
}

OptionButton::~OptionButton()
{
    auto& v = allOptions();
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
}

void OptionButton::rebuild()
{
    if (Style() == 1) installWidget(new ZToggleButton([this] { userSelected(); }));
    else installWidget(new ZRadioButton(this));
    showValue();
}

void OptionButton::showValue()
{
    if (auto* b = dynamic_cast<QAbstractButton*>(widget())) b->setChecked(value_);
}

void OptionButton::setValue(bool v)
{
    if (v == value_) return;
    value_ = v;
    showValue();
    if (!v) return;
    // One selected button per container: the others of the group are cleared
    // quietly; only the newly selected one runs Click.
    for (OptionButton* o : allOptions()) {
        if (o != this && o->container() == container() && o->value_) {
            o->value_ = false;
            o->showValue();
        }
    }
    fireClick();
}

void OptionButton::userSelected()
{
    if (eventsBlocked() || (form() && form()->unloading())) return;
    if (value_) {
        // Already selected: nothing changes, so no Click.
        showValue();
        return;
    }
    setValue(true);
}
