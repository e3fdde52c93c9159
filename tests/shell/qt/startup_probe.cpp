// SPDX-License-Identifier: MIT
// A program built on RunProgram that says what it started with: the file argument, the style
// sheet Qt took from the command line, the folders Qt searches for plugins and, once its window is
// shown, the window icon's size. It ends at once.
#include "shell/qt/command_line.h"
#include "shell/qt/startup.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    return mrfyc::RunProgram(
        argc, argv,
        [&argc, argv] {
            const std::optional<std::string> file = mrfyc::FileArgument(argc, argv);
            std::printf("file=%s\nstylesheet=%s\nplugins=%s\n", file ? file->c_str() : "",
                        qApp->styleSheet().toLocal8Bit().constData(),
                        QCoreApplication::libraryPaths().join(u':').toLocal8Bit().constData());
            std::fflush(stdout);
            QTimer::singleShot(
                0, qApp,
                [] {
                    const QSize icon = QGuiApplication::windowIcon().actualSize(QSize(256, 256));
                    std::printf("icon=%dx%d\n", icon.width(), icon.height());
                    QCoreApplication::quit();
                });
            return new QWidget;
        });
}
