// SPDX-License-Identifier: MIT
#include "ui/qt/timer_speed_button.h"

#include "rules/errors.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOption>
#include <QTimerEvent>
#include <qdrawutil.h>

#include <cmath>
#include <string>

namespace mrfyc {

namespace {

QPixmap WithTransparentKey(const QImage &glyph)
{
    if (glyph.isNull())
        return {};
    QImage image = glyph.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == key)
                image.setPixel(x, y, qRgba(0, 0, 0, 0));
    }
    return QPixmap::fromImage(image);
}

// The glyph's black, the arrows' colour, in the palette's text colour instead, so that the arrows
// stay visible on a dark button face; other colours of a glyph stay as drawn.
QPixmap InTextColour(const QPixmap &glyph, const QColor &text)
{
    if (text == Qt::black)
        return glyph;
    QImage image = glyph.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == qRgb(0, 0, 0))
                image.setPixel(x, y, text.rgb());
    }
    return QPixmap::fromImage(image);
}

} // namespace

TTimerSpeedButton::TTimerSpeedButton(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

TTimerSpeedButton::~TTimerSpeedButton() = default;

void TTimerSpeedButton::setGlyph(const QImage &glyph)
{
    m_glyph = glyph;
    m_transparentGlyph = WithTransparentKey(glyph);
    update();
}

bool TTimerSpeedButton::IsOver(QPointF position) const
{
    return IsOverArrow({width(), height()}, int(std::floor(position.x())),
                       int(std::floor(position.y())));
}

void TTimerSpeedButton::Click()
{
    emit OnClick();
}

void TTimerSpeedButton::CancelPress()
{
    m_repeat.Cancel();
}

void TTimerSpeedButton::StartTimer(int interval)
{
    m_timer.start(interval, Qt::PreciseTimer, this);
    if (!m_timer.isActive())
        throw Exception(std::string(kTimerErrorText));
}

void TTimerSpeedButton::StopTimer()
{
    m_timer.stop();
}

bool TTimerSpeedButton::event(QEvent *event)
{
    // A pressed arrow lets go when the capture goes elsewhere: a grab taken away, or a modal box
    // that deactivates the window.
    if (event->type() == QEvent::UngrabMouse || event->type() == QEvent::WindowDeactivate)
        CancelPress();
    return QWidget::event(event);
}

void TTimerSpeedButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QBrush face = palette().button();
    qDrawWinButton(&painter, rect(), palette(), IsDown(), &face);

    if (!m_transparentGlyph.isNull()) {
        QPixmap glyph = InTextColour(m_transparentGlyph, palette().color(QPalette::ButtonText));
        if (!isEnabled()) {
            QStyleOption option;
            option.initFrom(this);
            glyph = style()->generatedIconPixmap(QIcon::Disabled, glyph, &option);
        }
        painter.drawPixmap(GlyphPosition(), glyph);
    }
}

QPoint TTimerSpeedButton::GlyphPosition() const
{
    const Point at =
        ArrowGlyphPosition({width(), height()}, {m_glyph.width(), m_glyph.height()}, IsDown());
    return {at.X, at.Y};
}

void TTimerSpeedButton::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    QPointer<TTimerSpeedButton> self(this);
    emit OnMouseDown(event->button());
    if (!self)
        return;
    m_repeat.Press(event->button() == Qt::LeftButton);
}

void TTimerSpeedButton::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    m_repeat.Move(IsOver(event->position()));
}

void TTimerSpeedButton::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    m_repeat.Release(event->button() == Qt::LeftButton, IsOver(event->position()));
}

void TTimerSpeedButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double-click is a press like the first. Qt delivers it as this event
    // alone, or (in some versions) after a press event of its own, which it then merely echoes.
    if (event->button() == Qt::LeftButton && IsHeld()) {
        event->accept();
        return;
    }
    mousePressEvent(event);
}

void TTimerSpeedButton::timerEvent(QTimerEvent *event)
{
    if (!m_timer.isActive() || event->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    m_repeat.Tick(QGuiApplication::mouseButtons() == Qt::NoButton);
}

void TTimerSpeedButton::hideEvent(QHideEvent *event)
{
    CancelPress();
    QWidget::hideEvent(event);
}

void TTimerSpeedButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        CancelPress();
    QWidget::changeEvent(event);
}

} // namespace mrfyc
