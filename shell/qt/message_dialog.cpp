// SPDX-License-Identifier: MIT
#include "shell/qt/message_dialog.h"

#include "shell/qt/application.h"
#include "shell/qt/message_form.h"

#include <QPointer>

namespace mrfyc {

int ShowMessageDialog(const QString &text, const QString &caption)
{
    CancelMouseCapture();
    const QPointer<QWidget> previous = QApplication::activeWindow();
    // On the heap: the owner could go away while the dialog is open and take the dialog with it.
    const QPointer<TMessageForm> form = new TMessageForm(text, caption, previous);
    form->PlaceOnScreen(previous);
    const int result = form->exec();
    if (form) {
        form->hide();
        if (form->WasActiveWhenClosed() && previous)
            previous->activateWindow();
        delete form;
    }
    // Anything but OK, also the loop ended because the program is ending, counts as closed.
    return result == TMessageForm::ResultOk ? TMessageForm::ResultOk : TMessageForm::ResultClosed;
}

} // namespace mrfyc
