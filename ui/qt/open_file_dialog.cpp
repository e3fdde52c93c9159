// SPDX-License-Identifier: MIT
#include "ui/qt/open_file_dialog.h"

#include "rules/log_file_selection.h"
#include "rules/message_layout.h"
#include "shell/qt/qt_geometry.h"

#include <QApplication>
#include <QCompleter>
#include <QFileDialog>
#include <QKeyEvent>
#include <QScreen>

namespace mrfyc {

namespace {

// The monitor of the program's active window, or of the owner when none of its windows is.
QRect ActiveMonitor(QWidget *owner)
{
    QWidget *active = QApplication::activeWindow();
    QWidget *reference = active ? active : owner;
    QScreen *screen = reference ? reference->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

// Where a key goes that was typed for a dialog already closed: the focus of the window in front.
QWidget *KeyTarget(QWidget *owner)
{
    QWidget *front = QApplication::activeModalWidget();
    if (!front)
        front = owner ? owner->window() : QApplication::activeWindow();
    if (!front)
        return nullptr;
    return front->focusWidget() ? front->focusWidget() : front;
}

// The name completer's popup is a window of its own that hiding the dialog leaves up, holding the
// keyboard and the next click; and the folder listing, when it arrives, would show it again.
// Detached from the name field, it goes and stays away.
void DetachCompleters(QFileDialog &dialog)
{
    for (QCompleter *completer : dialog.findChildren<QCompleter *>())
        completer->setWidget(nullptr);
}

// "description (pattern pattern ...)", as a Qt name filter is written.
QString LogFileFilter()
{
    QStringList patterns;
    for (const std::string_view pattern : kLogFilePatterns)
        patterns << QString::fromUtf8(pattern);
    return QString::fromUtf8(kLogFileFilterName) + QStringLiteral(" (") + patterns.join(u' ') +
           u')';
}

} // namespace

OpenFileDialog::OpenFileDialog(QObject *parent) : QObject(parent) {}

OpenFileDialog::~OpenFileDialog()
{
    delete m_dialog;
}

bool OpenFileDialog::Execute(QWidget *owner)
{
    delete m_dialog;
    m_dialog = new QFileDialog(owner);
    qApp->installEventFilter(this);
    QFileDialog &dialog = *m_dialog;
    // Qt's own dialog everywhere: it can be placed, and it answers to typed paths on any display.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A typed name that does not exist is taken too; opening it is the patch's business.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(LogFileFilter());
    if (!m_fileName.isEmpty())
        dialog.selectFile(m_fileName);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.adjustSize();
    dialog.move(ToQt(CentredOneThirdDown(FromQt(ActiveMonitor(owner)), FromQt(dialog.size()))));

    std::optional<QString> answer;
    if (m_answerer)
        answer = m_answerer(dialog);
    else if (dialog.exec() == QDialog::Accepted && m_dialog && !dialog.selectedFiles().isEmpty())
        answer = dialog.selectedFiles().constFirst();
    if (m_dialog)
        DetachCompleters(dialog);
    if (!answer || answer->isEmpty())
        return false;
    m_fileName = *answer;
    return true;
}

bool OpenFileDialog::eventFilter(QObject *watched, QEvent *event)
{
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
    if (!key || !IsInClosedDialog(watched))
        return QObject::eventFilter(watched, event);
    QWidget *target = KeyTarget(m_dialog->parentWidget());
    if (target && !IsInClosedDialog(target)) {
        // Posted, so that it comes after the command that opened the dialog has finished.
        const auto &typed = static_cast<const QKeyEvent &>(*event);
        QCoreApplication::postEvent(target, typed.clone());
    }
    return true;
}

bool OpenFileDialog::IsInClosedDialog(QObject *object) const
{
    if (!m_dialog || m_dialog->isVisible() || !object->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(object);
    return widget == m_dialog || m_dialog->isAncestorOf(widget);
}

} // namespace mrfyc
