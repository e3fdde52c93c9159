// SPDX-License-Identifier: MIT
// The smallest Qt Widgets program that shows a window: the yardstick for mrfyc's start-up.
#include <QApplication>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("mrfyc-bench-minimal"));
    window.resize(320, 200);
    window.show();
    return application.exec();
}
