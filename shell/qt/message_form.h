// SPDX-License-Identifier: MIT
#pragma once

#include "rules/message_layout.h"

#include <QBasicTimer>
#include <QDialog>

class QLabel;
class QPushButton;

namespace mrfyc {

// The modal dialog in which a notice is shown: the text in the label "Message" and one button
// "OK", sized from the message font. Results: 1 by the OK button (mouse, Enter, Space, Esc), 2 when
// closed through the title bar or by the program ending.
class TMessageForm : public QDialog
{
    Q_OBJECT

public:
    static constexpr int ResultOk = 1;
    static constexpr int ResultClosed = 2;

    TMessageForm(const QString &text, const QString &caption, QWidget *owner = nullptr);

    QLabel *Message() const { return m_message; }
    QPushButton *OkButton() const { return m_okButton; }
    const MessageLayout &Layout() const { return m_layout; }

    // What Ctrl+C puts on the clipboard: caption, text and button captions between dividers.
    QString ContentText() const;

    // Centres the dialog on the monitor of `activeWindow` when that is not the primary screen,
    // otherwise on the primary screen.
    void PlaceOnScreen(const QWidget *activeWindow);

    // Whether the dialog was the active window when it got its result.
    bool WasActiveWhenClosed() const { return m_wasActiveWhenClosed; }

    // The base values and text extent of `text` in `font`, as the layout takes them.
    static MessageMetrics Measure(const QFont &font, const QString &text);
    // The platform's message font, or the default font when the platform has none.
    static QFont MessageFont();

public slots:
    void done(int result) override;
    void reject() override;

protected:
    bool event(QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool HandleKey(const QKeyEvent &event);
    QSize FrameSize(const QWidget *activeWindow);
    void CorrectPlacement();
    static QSize PlatformFrameSize(const QWidget *window);

    static constexpr int kPlacementPollMs = 20;
    static constexpr int kPlacementPollLimit = 100;
    void CopyToClipboard();

    QLabel *m_message = nullptr;
    QPushButton *m_okButton = nullptr;
    MessageLayout m_layout;
    bool m_wasActiveWhenClosed = false;
    QRect m_monitor;              // where the dialog is centred
    QBasicTimer m_placementTimer; // until the window manager's frame is known
    int m_placementPolls = 0;
};

} // namespace mrfyc
