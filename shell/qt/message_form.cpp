// SPDX-License-Identifier: MIT
#include "shell/qt/message_form.h"

#include "rules/errors.h"
#include "rules/message_content.h"
#include "shell/beep.h"
#include "shell/qt/qt_geometry.h"
#include "shell/qt/test_seams.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mrfyc {

namespace {

// Measured when the first dialog of the run is built and kept, also across font changes.
std::optional<int> &CachedCaptionWidth()
{
    static std::optional<int> width;
    return width;
}

int CaptionWidth(const QFontMetrics &metrics)
{
    auto &cached = CachedCaptionWidth();
    if (!cached)
        cached = metrics.size(Qt::TextSingleLine, QString::fromUtf8(kOkCaption)).width() +
                 kCaptionPadding;
    return *cached;
}

int PrimaryScreenWidth()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 0;
}

bool WriteToClipboard(const QString &text)
{
    if (ClipboardSeam())
        return ClipboardSeam()(text);
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(text);
    // Reading back tells whether this program really got hold of the clipboard.
    return clipboard->text() == text;
}

} // namespace

TMessageForm::TMessageForm(const QString &text, const QString &caption, QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint)
{
    const QFont font = MessageFont();
    setFont(font);
    setWindowTitle(caption);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("Message"));
    m_message->setFont(font);
    m_message->setTextFormat(Qt::PlainText);
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_message->setText(text);

    m_okButton = new QPushButton(QString::fromUtf8(kOkCaption), this);
    m_okButton->setObjectName(QStringLiteral("OK"));
    m_okButton->setFont(font);
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, [this] { done(ResultOk); });

    MessageMetrics metrics = Measure(font, text);
    metrics.captionWidth = CaptionWidth(QFontMetrics(font));
    m_layout = LayOutMessage(metrics);

    setFixedSize(ToQt(m_layout.client));
    m_message->setGeometry(ToQt(m_layout.label));
    m_okButton->setGeometry(ToQt(m_layout.button));
    m_okButton->setFocus();
}

MessageMetrics TMessageForm::Measure(const QFont &font, const QString &text)
{
    const QFontMetrics metrics(font);
    MessageMetrics result;
    result.ax = BaseWidth(metrics.horizontalAdvance(QString::fromUtf8(kBaseString)));
    result.ay = metrics.height();
    const QRect limit(0, 0, PrimaryScreenWidth() / 2, 0);
    result.text = FromQt(
        metrics
            .boundingRect(
                limit, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs, text)
            .size());
    return result;
}

QFont TMessageForm::MessageFont()
{
    // Qt files the platform's message box font under the class of the message box's label.
    const QFont font = QApplication::font("QMessageBoxLabel");
    if (font != QApplication::font())
        return font;
    return QApplication::font("QMessageBox");
}

QString TMessageForm::ContentText() const
{
    std::vector<std::string> captions;
    for (const QPushButton *button : findChildren<QPushButton *>(Qt::FindDirectChildrenOnly))
        captions.push_back(button->text().toStdString());
    const std::vector<std::string_view> views(captions.begin(), captions.end());
    return QString::fromStdString(
        MessageContentText(windowTitle().toStdString(), m_message->text().toStdString(), views));
}

void TMessageForm::PlaceOnScreen(const QWidget *activeWindow)
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (activeWindow && activeWindow->screen())
        screen = activeWindow->screen();
    if (!screen)
        return;
    m_monitor = screen->geometry();
    winId();
    move(ToQt(CentredOn(FromQt(m_monitor), FromQt(size() + FrameSize(activeWindow)))));
}

QSize TMessageForm::FrameSize(const QWidget *activeWindow)
{
    // The title bar and borders. Some platforms know them as soon as the window exists, others
    // only once the window manager has framed it; until then a framed window of the program
    // gives the best guess.
    const QSize own = PlatformFrameSize(this);
    if (own != QSize(0, 0))
        return own;
    if (activeWindow && activeWindow->isVisible())
        return PlatformFrameSize(activeWindow);
    return QSize(0, 0);
}

QSize TMessageForm::PlatformFrameSize(const QWidget *window)
{
    // Asked of the platform window: a widget's own frame geometry can lag behind the framing.
    const QWindow *handle = window->windowHandle();
    if (!handle)
        return QSize(0, 0);
    const QMargins margins = handle->frameMargins();
    return QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

void TMessageForm::CorrectPlacement()
{
    if (m_monitor.isNull() || !isVisible())
        return;
    const QSize frame = PlatformFrameSize(this);
    if (frame == QSize(0, 0))
        return; // not framed yet
    // Where the frame really is, not only whether its size changed: a window placed before it
    // was framed had its client area put where the frame belongs, with the same frame size as
    // the guess. A window manager may also announce an estimate first and the real frame later.
    const QPoint target = ToQt(CentredOn(FromQt(m_monitor), FromQt(size() + frame)));
    if (windowHandle()->framePosition() != target)
        move(target);
}

bool TMessageForm::event(QEvent *event)
{
    const bool handled = QDialog::event(event);
    switch (event->type()) {
    case QEvent::Show:
        // A window manager frames the window some time after it is mapped, telling no widget.
        m_placementPolls = 0;
        m_placementTimer.start(kPlacementPollMs, this);
        CorrectPlacement();
        break;
    case QEvent::Move:
    case QEvent::WindowActivate:
        CorrectPlacement();
        break;
    default:
        break;
    }
    return handled;
}

void TMessageForm::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_placementTimer.timerId()) {
        QDialog::timerEvent(event);
        return;
    }
    if (++m_placementPolls >= kPlacementPollLimit)
        m_placementTimer.stop();
    CorrectPlacement();
}

TestSeam<bool(const QString &text)> &ClipboardSeam()
{
    static TestSeam<bool(const QString &text)> seam;
    return seam;
}

void ForgetMeasuredCaptionWidth()
{
    CachedCaptionWidth().reset();
}

void TMessageForm::done(int result)
{
    m_wasActiveWhenClosed = isActiveWindow();
    QDialog::done(result);
}

void TMessageForm::reject()
{
    // Reached through the title bar (close box, Alt+F4, window menu); Esc is the OK button's.
    done(ResultClosed);
}

void TMessageForm::keyPressEvent(QKeyEvent *event)
{
    if (HandleKey(*event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TMessageForm::HandleKey(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers =
        event.modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (event.key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
        m_okButton->click();
        return true;
    }
    if (event.key() == Qt::Key_C && modifiers == Qt::ControlModifier) {
        Beep(BeepKind::Default);
        CopyToClipboard();
        return true;
    }
    return false;
}

void TMessageForm::CopyToClipboard()
{
    if (!WriteToClipboard(ContentText()))
        throw Exception(QString::fromUtf8(kClipboardErrorText).toLocal8Bit().toStdString());
}

} // namespace mrfyc
