#include "app/startup.h"

#include <QMainWindow>

namespace {

// The main window. Until TForm1 exists (then: Form1 = new TForm1(...)), a plain window with the
// main window's caption, place and size stands in for it.
QWidget *CreateMainWindow()
{
    auto *window = new QMainWindow;
    window->setWindowTitle(QStringLiteral("ミルフィのアニメデータを修正するツール"));
    window->move(210, 77);
    window->resize(370, 251);
    return window;
}

} // namespace

int main(int argc, char *argv[])
{
    return mrfyc::RunProgram(argc, argv, CreateMainWindow);
}
