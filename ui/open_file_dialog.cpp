#include "ui/open_file_dialog.h"

#include <QApplication>
#include <QFileDialog>
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

} // namespace

TOpenFileDialog::TOpenFileDialog(QObject *parent) : QObject(parent) {}

bool TOpenFileDialog::Execute(QWidget *owner)
{
    QFileDialog dialog(owner);
    // Qt's own dialog everywhere: it can be placed, and it answers to typed paths on any display.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A typed name that does not exist is taken too; opening it is the patch's business.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(m_filter);
    if (!m_fileName.isEmpty())
        dialog.selectFile(m_fileName);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.adjustSize();
    dialog.move(CentredOneThirdDown(ActiveMonitor(owner), dialog.size()));

    std::optional<QString> answer;
    if (m_answerer) {
        answer = m_answerer(dialog);
    } else if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        answer = dialog.selectedFiles().constFirst();
    }
    if (!answer || answer->isEmpty())
        return false;
    m_fileName = *answer;
    return true;
}

QPoint CentredOneThirdDown(const QRect &monitor, const QSize &dialogSize)
{
    return QPoint(monitor.left() + (monitor.width() - dialogSize.width()) / 2,
                  monitor.top() + (monitor.height() - dialogSize.height()) / 3);
}

} // namespace mrfyc
