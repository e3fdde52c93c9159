// SPDX-License-Identifier: MIT
// The message dialog on a real X server with a window manager (run by with_xvfb.sh): the frame
// comes from the window manager, and Alt+F4 and the close box are the window manager's.
#include "shell/qt/application.h"
#include "shell/qt/message_dialog.h"

#include "modal_helper.h"

#include <QCloseEvent>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace mrfyc;

namespace {

// The window that has the X input focus, where XTEST keys go.
WId FocusedXWindow()
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")});
    xdotool.waitForFinished();
    return xdotool.readAllStandardOutput().trimmed().toULongLong();
}

// The window under the dialog: a stray Alt+F4 after the dialog has gone must not close it.
class MainWindow : public QWidget
{
protected:
    void closeEvent(QCloseEvent *event) override { event->ignore(); }
};

} // namespace

class TestMessageDialogX11 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void closedByWindowManager_data();
    void closedByWindowManager();
    void outerFrameCentred();
    void outerFrameCentredInQuickSuccession();

private:
    MainWindow m_mainWindow;
};

void TestMessageDialogX11::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    m_mainWindow.setWindowTitle(QStringLiteral("main"));
    m_mainWindow.resize(370, 251);
    m_mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_mainWindow));
    m_mainWindow.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_mainWindow));
}

void TestMessageDialogX11::closedByWindowManager_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::newRow("Alt+F4") << QStringList{"xdotool", "key", "alt+F4"};
    QTest::newRow("close box") << QStringList{"wmctrl", "-i", "-c", "%1"};
}

void TestMessageDialogX11::closedByWindowManager()
{
    QFETCH(QStringList, command);
    WhenModal([command](QWidget *modal) {
        QVERIFY(QTest::qWaitForWindowActive(modal));
        QStringList arguments = command.mid(1);
        arguments.replaceInStrings(QStringLiteral("%1"), QString::number(modal->winId()));
        // The window manager may take the input a moment after the dialog is up: send again
        // until the dialog is gone.
        auto *resend = new QTimer(modal);
        const auto send = [modal, command, arguments] {
            if (FocusedXWindow() != modal->winId()) {
                QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"),
                                                              QString::number(modal->winId())});
                return;
            }
            QProcess::execute(command.first(), arguments);
        };
        QObject::connect(resend, &QTimer::timeout, modal, send);
        resend->start(250);
        send();
    });
    QCOMPARE(ShowMessageDialog(QStringLiteral("修正しました"), QStringLiteral("mrfyc")), 2);
    QTRY_COMPARE(QApplication::activeWindow(), &m_mainWindow);
}

void TestMessageDialogX11::outerFrameCentred()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const auto centred = [screen](const QRect &outer) {
        return QPoint((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2);
    };
    QRect outer;
    WhenModal([&](QWidget *modal) {
        const QWindow *window = modal->windowHandle();
        // Framed, and placed for that frame (the first guess may come from another window's).
        (void)QTest::qWaitFor([&] {
            return window->frameGeometry().size() != window->size() &&
                   window->frameGeometry().topLeft() == centred(window->frameGeometry());
        });
        outer = window->frameGeometry();
        QTest::keyClick(modal->focusWidget(), Qt::Key_Return);
    });
    ShowMessageDialog(QStringLiteral("修正しました"), QStringLiteral("mrfyc"));
    QVERIFY(outer.isValid());
    QVERIFY2(outer.size() != QSize(116, 78), "framed by the window manager");
    QCOMPARE(outer.topLeft(), centred(outer));
}

void TestMessageDialogX11::outerFrameCentredInQuickSuccession()
{
    // Opened and closed at once, a notice can be framed before or after it is first placed; the
    // frame must end up centred either way.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const auto centred = [screen](const QRect &outer) {
        return QPoint((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2);
    };
    QStringList misplaced;
    for (int round = 0; round < 16; ++round) {
        WhenModal([&](QWidget *modal) {
            const QWindow *window = modal->windowHandle();
            const auto placed = [&] {
                return window->frameGeometry().size() != window->size() &&
                       window->frameGeometry().topLeft() == centred(window->frameGeometry());
            };
            if (!QTest::qWaitFor(placed, 3000))
                misplaced << QStringLiteral("round %1: frame at %2,%3, margins %4,%5")
                                 .arg(round)
                                 .arg(window->frameGeometry().x())
                                 .arg(window->frameGeometry().y())
                                 .arg(window->frameMargins().left())
                                 .arg(window->frameMargins().top());
            modal->close();
        });
        ShowMessageDialog(QStringLiteral("修正しました"), QStringLiteral("mrfyc"));
    }
    QVERIFY2(misplaced.isEmpty(), qPrintable(misplaced.join(QStringLiteral("; "))));
}

int main(int argc, char **argv)
{
    TApplication application(argc, argv);
    TestMessageDialogX11 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_message_dialog_x11.moc"
