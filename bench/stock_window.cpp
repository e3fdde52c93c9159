// SPDX-License-Identifier: MIT
// A stock Qt window with the controls mrfyc's window has (a Japanese menu, five labels, four spin
// boxes, a button, the same font and caption), built the plain way: the fair yardstick for mrfyc's
// start-up. The window manager draws the caption before it maps the window, and a Japanese one
// costs it more than a Latin one: with a caption of its own the yardstick would be spared that.
#include "rules/main_window_layout.h"
#include "shell/startup_trace.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>

namespace {

void AddLabel(QWidget *parent, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setGeometry(geometry);
}

void AddSpinBox(QWidget *parent, int maximum, int value, const QRect &geometry)
{
    auto *field = new QSpinBox(parent);
    field->setRange(0, maximum);
    field->setValue(value);
    field->setGeometry(geometry);
}

} // namespace

int main(int argc, char **argv)
{
    using mrfyc::StartupTrace;
    StartupTrace::Mark("main");
    QApplication application(argc, argv);
    StartupTrace::Mark("application made");
    QMainWindow window;
    window.setWindowTitle(QString::fromUtf8(mrfyc::kMainWindowCaption.data(),
                                            qsizetype(mrfyc::kMainWindowCaption.size())));
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(12);
    window.setFont(font);
    window.menuBar()->addMenu(QStringLiteral("ファイル"))->addAction(QStringLiteral("開く"));
    auto *client = new QWidget(&window);
    AddLabel(client, QStringLiteral("ファイル名："), QRect(4, 8, 349, 37));
    AddLabel(client, QStringLiteral("高さ"), QRect(28, 52, 21, 12));
    AddLabel(client, QStringLiteral("幅"), QRect(200, 52, 12, 12));
    AddLabel(client, QStringLiteral("ライン数"), QRect(28, 105, 42, 12));
    AddLabel(client, QStringLiteral("クオリティ"), QRect(200, 105, 49, 12));
    AddSpinBox(client, 65536, 1200, QRect(28, 68, 121, 21));
    AddSpinBox(client, 65536, 900, QRect(200, 68, 121, 21));
    AddSpinBox(client, 2147483647, 6000, QRect(28, 120, 121, 21));
    AddSpinBox(client, 9, 1, QRect(200, 120, 121, 21));
    (new QPushButton(QStringLiteral("OK"), client))->setGeometry(244, 168, 75, 25);
    window.setCentralWidget(client);
    window.setGeometry(210, 77, 370, 251);
    StartupTrace::Mark("window built");
    window.show();
    StartupTrace::Mark("window shown");
    return application.exec();
}
