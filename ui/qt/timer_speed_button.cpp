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

// The glyph's offset within space pixels; a spare odd pixel goes to the leading margin.
int LeadingMargin(int space)
{
    return space >= 0 ? (space + 1) / 2 : -(-space / 2);
}

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
    const double x = std::floor(position.x());
    const double y = std::floor(position.y());
    return x >= 0 && x < width() && y >= 0 && y <= height();
}

void TTimerSpeedButton::Click()
{
    emit OnClick();
}

void TTimerSpeedButton::CancelPress()
{
    StopRepeat();
    m_held = false;
    SetDown(false);
}

bool TTimerSpeedButton::StartRepeatTimer(int interval)
{
    if (m_timerAnswerer && !m_timerAnswerer(interval))
        return false;
    m_timer.start(interval, Qt::PreciseTimer, this);
    return m_timer.isActive();
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
    qDrawWinButton(&painter, rect(), palette(), m_down, &face);

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
    const QSize glyph = m_glyph.size();
    QPoint position(LeadingMargin(width() - glyph.width()),
                    LeadingMargin(height() - glyph.height()));
    if (m_down)
        position += QPoint(1, 1);
    return position;
}

void TTimerSpeedButton::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    QPointer<TTimerSpeedButton> self(this);
    emit OnMouseDown(event->button());
    if (!self)
        return;
    if (event->button() == Qt::LeftButton) {
        m_held = true;
        SetDown(true);
    }
    if (m_allowRepeat)
        StartRepeat(m_repeatDelay);
}

void TTimerSpeedButton::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (m_held)
        SetDown(IsOver(event->position()));
}

void TTimerSpeedButton::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    StopRepeat();
    if (event->button() != Qt::LeftButton || !m_held)
        return;
    const bool over = IsOver(event->position());
    m_held = false;
    SetDown(false);
    if (over)
        Click();
}

void TTimerSpeedButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double-click is a press like the first. Qt delivers it as this event
    // alone, or (in some versions) after a press event of its own, which it then merely echoes.
    if (event->button() == Qt::LeftButton && m_held) {
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
    if (!m_held && QGuiApplication::mouseButtons() == Qt::NoButton) {
        // The press of another button ended elsewhere (a context menu opened on it took the
        // release), so no release will come here to switch the timer off.
        StopRepeat();
        return;
    }
    if (m_timerInterval != m_repeatInterval)
        StartRepeat(m_repeatInterval);
    if (!m_down || !m_held)
        return;
    QPointer<TTimerSpeedButton> self(this);
    try {
        Click();
    } catch (...) {
        // The report of the failure must not be followed by more ticks.
        if (self)
            StopRepeat();
        throw;
    }
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

void TTimerSpeedButton::SetDown(bool down)
{
    if (m_down == down)
        return;
    m_down = down;
    update();
}

void TTimerSpeedButton::StartRepeat(int interval)
{
    StopRepeat();
    if (!StartRepeatTimer(interval))
        throw Exception(std::string(kTimerErrorText));
    m_timerInterval = interval;
}

void TTimerSpeedButton::StopRepeat()
{
    m_timer.stop();
    m_timerInterval = 0;
}

} // namespace mrfyc
