// SPDX-License-Identifier: MIT
#include "shell/qt/application.h"

#include "rules/errors.h"
#include "rules/full_stop.h"
#include "shell/qt/test_seams.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSessionManager>
#include <QTranslator>

#include <new>

namespace mrfyc {

namespace {

constexpr QStringView kTitle = u"mrfyc";

void SendReleaseOutside(QWidget *widget)
{
    // A point left of and above the widget: a button releases without clicking.
    const QPointF outside(-1, -1);
    QMouseEvent release(QEvent::MouseButtonRelease, outside, widget->mapToGlobal(outside),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

// Qt's own texts (the file dialog, the fields' context menu) in the user's language.
void InstallQtTranslations(QCoreApplication &application)
{
    auto *translator = new QTranslator(&application);
    if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

void ShowErrorBox(const QString &text)
{
    QPointer<QWidget> active = QApplication::activeWindow();
    QPointer<QWidget> focus = QApplication::focusWidget();
    // Owned by the active window, so the box opens on its monitor and has no task-bar entry.
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok, active);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    if (active)
        active->activateWindow();
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
}

} // namespace

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    // The display name is left unset on purpose: on X11 Qt would append it to every window
    // title, and the main window's title bar shows its own caption only.
    setApplicationName(kTitle.toString());
    setDesktopFileName(kTitle.toString());
    InstallQtTranslations(*this);
#ifndef QT_NO_SESSIONMANAGER
    connect(this, &QGuiApplication::commitDataRequest, this, &TApplication::EndSession);
#endif
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        NoteMouseButtons(receiver, *event);
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportError(CaughtError::From(std::current_exception()));
    }
    return false;
}

void TApplication::EndSession()
{
    exit(0);
}

void TApplication::NoteMouseButtons(QObject *receiver, const QEvent &event)
{
    if (!receiver->isWidgetType())
        return;
    if (event.type() == QEvent::MouseButtonPress)
        m_pressedWidget = static_cast<QWidget *>(receiver);
    else if (event.type() == QEvent::MouseButtonRelease &&
             static_cast<const QMouseEvent &>(event).buttons() == Qt::NoButton)
        m_pressedWidget.clear();
}

QString ApplicationTitle()
{
    // The application name stands in for the display name while that is unset.
    return qApp ? QGuiApplication::applicationDisplayName() : kTitle.toString();
}

void CancelMouseCapture()
{
    if (QWidget *grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    auto *application = qobject_cast<TApplication *>(qApp);
    if (!application || !application->PressedWidget())
        return;
    SendReleaseOutside(application->PressedWidget());
}

void ReportError(const CaughtError &error)
{
    CancelMouseCapture();
    if (error.Silent)
        return;
    const QString text = QString::fromLocal8Bit(WithFullStop(error.Message));
    if (ErrorReportSeam()) {
        ErrorReportSeam()(text);
        return;
    }
    ShowErrorBox(text);
}

TestSeam<void(const QString &shownText)> &ErrorReportSeam()
{
    static TestSeam<void(const QString &shownText)> seam;
    return seam;
}

} // namespace mrfyc
