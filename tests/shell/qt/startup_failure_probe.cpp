// SPDX-License-Identifier: MIT
// A program that fails while its main window is built: RunProgram must show the failure and end
// with exit code 1. The box's caption, icons and text go to stdout so the test can check them.
#include "rules/errors.h"
#include "shell/qt/startup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

void ReadAndCloseTheBox()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) {
        QTimer::singleShot(5, ReadAndCloseTheBox);
        return;
    }
    const QSize windowIcon = box->windowIcon().actualSize(QSize(256, 256));
    std::printf("%s\n%s\nicon=%dx%d\n%s", box->windowTitle().toUtf8().constData(),
                box->icon() == QMessageBox::Critical ? "critical" : "other icon",
                windowIcon.width(), windowIcon.height(), box->text().toUtf8().constData());
    std::fflush(stdout);
    box->button(QMessageBox::Ok)->click();
}

QWidget *FailingMainWindow()
{
    QTimer::singleShot(0, ReadAndCloseTheBox);
    throw mrfyc::EFOpenError(mrfyc::FileOpenErrorText("/nonexistent/layout"));
}

} // namespace

int main(int argc, char *argv[])
{
    return mrfyc::RunProgram(argc, argv, FailingMainWindow);
}
