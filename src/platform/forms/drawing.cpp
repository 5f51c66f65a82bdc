// Picture boxes, images, shapes, lines and frames.
#include "platform/forms/controls.h"

#include "platform/forms/form.h"
#include "platform/forms/widgets_p.h"

#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPaintEvent>
#include <QWidget>

#include <algorithm>
#include <cmath>

using namespace formsp;

// ---------------------------------------------------------------- PictureBox

namespace {
class PictureWidget : public QWidget {
public:
    explicit PictureWidget(PictureBox* o) : owner(o) { setAttribute(Qt::WA_OpaquePaintEvent, true); }
    PictureBox* owner;
    int border = 1;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        owner->paintSurface(p);
        if (border == 1) {
            QPalette pal = palette();
            p.setPen(pal.color(QPalette::Dark));
            p.drawLine(0, 0, width() - 1, 0);
            p.drawLine(0, 0, 0, height() - 1);
            p.setPen(pal.color(QPalette::Light));
            p.drawLine(width() - 1, 0, width() - 1, height() - 1);
            p.drawLine(0, height() - 1, width() - 1, height() - 1);
        }
    }
    void resizeEvent(QResizeEvent*) override
    {
        if (eventsBlocked()) return;
        owner->ensureSurfaceSize(width(), height());
        if (owner->form() && owner->form()->unloading()) return;
        owner->fireResize();
        if (!owner->AutoRedraw()) owner->firePaint();
    }
};
} // namespace

PictureBox::PictureBox(Container* parent) : Control(parent, nullptr)
{
    replaceWidget(new PictureWidget(this));
    clickOnMouseRelease(true);
    Move(0, 0, 1215, 1215);
}

PictureBox::~PictureBox() = default;

QWidget* PictureBox::clientWidget() const { return widget(); }
QWidget* PictureBox::surfaceWidget() const { return widget(); }

void PictureBox::setBackColor(long c)
{
    Control::setBackColor(c);
    Surface::setBackColor(c);
}
void PictureBox::setForeColor(long c)
{
    Control::setForeColor(c);
    Surface::setForeColor(c);
}
void PictureBox::setFontName(const std::string& n)
{
    Control::setFontName(n);
    Surface::setFontName(n);
}
void PictureBox::setFontSize(double s)
{
    Control::setFontSize(s);
    Surface::setFontSize(s);
}
void PictureBox::setFontBold(bool b)
{
    Control::setFontBold(b);
    Surface::setFontBold(b);
}
void PictureBox::setFontItalic(bool b)
{
    Control::setFontItalic(b);
    Surface::setFontItalic(b);
}
void PictureBox::setFontUnderline(bool b)
{
    Control::setFontUnderline(b);
    Surface::setFontUnderline(b);
}

void PictureBox::setBorderStyle(int s)
{
    borderStyle_ = s;
    if (auto* w = dynamic_cast<PictureWidget*>(widget())) {
        w->border = s;
        w->update();
    }
}

void PictureBox::setAutoSize(bool b)
{
    autoSize_ = b;
    if (b && Picture().valid()) Move(Left(), Top(), Picture().Width(), Picture().Height());
}

void PictureBox::setPicture(const StdPicture& p)
{
    if (autoSize_ && p.valid()) Move(Left(), Top(), p.Width(), p.Height());
    Surface::setPicture(p);
}

// ---------------------------------------------------------------- Image

Image::Image(Container* parent) : Control(parent, new QLabel)
{
    clickOnMouseRelease(true);
    auto* l = static_cast<QLabel*>(widget());
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setAutoFillBackground(false);
}

void Image::setPicture(const StdPicture& p)
{
    picture_ = p;
    auto* l = static_cast<QLabel*>(widget());
    if (!p.valid()) {
        l->setPixmap(QPixmap());
        return;
    }
    l->setPixmap(QPixmap::fromImage(p.image()));
    l->setScaledContents(stretch_);
    if (!stretch_) Move(Left(), Top(), p.Width(), p.Height());
}

void Image::setStretch(bool b)
{
    stretch_ = b;
    static_cast<QLabel*>(widget())->setScaledContents(b);
    if (!b && picture_.valid()) Move(Left(), Top(), picture_.Width(), picture_.Height());
}

void Image::setBorderStyle(int s)
{
    borderStyle_ = s;
    static_cast<QLabel*>(widget())->setFrameStyle(s == 1 ? (QFrame::Box | QFrame::Plain) : QFrame::NoFrame);
}

// ---------------------------------------------------------------- Shape

namespace {
class ShapeWidget : public QWidget {
public:
    explicit ShapeWidget(Shape* s) : owner(s)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents, true);
        setAttribute(Qt::WA_NoSystemBackground, true);
    }
    Shape* owner;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing, true);
        int bw = owner->BorderStyle() == 0 ? 0 : std::max(1, owner->BorderWidth());
        QRectF r(0, 0, width(), height());
        int kind = owner->ShapeType();
        // Squares and circles take the smaller side, centred.
        if (kind == 1 || kind == 3 || kind == 5) {
            double side = std::min(r.width(), r.height());
            r = QRectF(r.x() + (r.width() - side) / 2, r.y() + (r.height() - side) / 2, side, side);
        }
        double inset = bw / 2.0;
        r.adjust(inset, inset, -inset, -inset);
        QPen pen = bw ? QPen(toQColor(owner->BorderColor()), bw) : QPen(Qt::NoPen);
        auto draw = [&](const QBrush& brush) {
            p.setBrush(brush);
            if (kind == 2 || kind == 3) p.drawEllipse(r);
            else if (kind == 4 || kind == 5) p.drawRoundedRect(r, r.width() / 8, r.height() / 8);
            else p.drawRect(r);
        };
        p.setPen(Qt::NoPen);
        if (owner->BackStyle() == 1) draw(QBrush(toQColor(owner->BackColor())));
        if (owner->FillStyle() == 0) draw(QBrush(toQColor(owner->FillColor())));
        p.setPen(pen);
        draw(Qt::NoBrush);
    }
};
} // namespace

Shape::Shape(Container* parent) : Control(parent, nullptr)
{
    replaceWidget(new ShapeWidget(this));
    Move(0, 0, 1215, 1215);
}

void Shape::setShape(int s)
{
    shape_ = s;
    widget()->update();
}
void Shape::setFillColor(long c)
{
    fillColor_ = c;
    widget()->update();
}
void Shape::setFillStyle(int s)
{
    fillStyle_ = s;
    widget()->update();
}
void Shape::setBorderColor(long c)
{
    borderColor_ = c;
    widget()->update();
}
void Shape::setBorderStyle(int s)
{
    borderStyle_ = s;
    widget()->update();
}
void Shape::setBorderWidth(int w)
{
    borderWidth_ = std::clamp(w, 1, 8192);
    widget()->update();
}
void Shape::setBackStyle(int s)
{
    backStyle_ = s;
    widget()->update();
}
void Shape::appearanceChanged()
{
    if (widget()) widget()->update();
}

// ---------------------------------------------------------------- Line

namespace {
class LineWidget : public QWidget {
public:
    explicit LineWidget(Line* l) : owner(l)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents, true);
        setAttribute(Qt::WA_NoSystemBackground, true);
    }
    Line* owner;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setPen(QPen(toQColor(owner->BorderColor()), std::max(1, owner->BorderWidth())));
        QPoint origin = pos();
        p.drawLine(QPoint(px(owner->X1()), px(owner->Y1())) - origin, QPoint(px(owner->X2()), px(owner->Y2())) - origin);
    }
};
} // namespace

Line::Line(Container* parent) : Control(parent, nullptr)
{
    replaceWidget(new LineWidget(this));
    place();
}

void Line::place()
{
    double pad = std::max(1, borderWidth_) * 15.0;
    double l = std::min(x1_, x2_) - pad, t = std::min(y1_, y2_) - pad;
    double r = std::max(x1_, x2_) + pad, b = std::max(y1_, y2_) + pad;
    Move(static_cast<int>(std::floor(l)), static_cast<int>(std::floor(t)), static_cast<int>(std::ceil(r - l)) + 15,
         static_cast<int>(std::ceil(b - t)) + 15);
    widget()->update();
}

void Line::setX1(double v)
{
    x1_ = v;
    place();
}
void Line::setY1(double v)
{
    y1_ = v;
    place();
}
void Line::setX2(double v)
{
    x2_ = v;
    place();
}
void Line::setY2(double v)
{
    y2_ = v;
    place();
}
void Line::setBorderColor(long c)
{
    borderColor_ = c;
    widget()->update();
}
void Line::setBorderWidth(int w)
{
    borderWidth_ = std::clamp(w, 1, 8192);
    place();
}

// ---------------------------------------------------------------- Frame

Frame::Frame(Container* parent) : Control(parent, new QGroupBox) { Move(0, 0, 2055, 1455); }

QWidget* Frame::clientWidget() const { return widget(); }
std::string Frame::Caption() const { return ss(static_cast<QGroupBox*>(widget())->title()); }
void Frame::setCaption(const std::string& s) { static_cast<QGroupBox*>(widget())->setTitle(qs(s)); }
void Frame::setBorderStyle(int s)
{
    borderStyle_ = s;
    static_cast<QGroupBox*>(widget())->setFlat(s == 0);
}
