// SPDX-License-Identifier: MIT
#pragma once

#include "rules/header_settings.h"
#include "ui_main_window.h"

#include <QMainWindow>
#include <QString>

#include <string>

class QDragEnterEvent;
class QDropEvent;

namespace mrfyc {

class LogFileSelection;
class OpenFileDialog;

// The program's one window: the file label, the four header fields, the OK button, the menu
// command 開く and the drop target. It holds no patching logic; it hands user actions to the
// log file selection and to the patch. The controls are public members named as in the layout.
class TForm1 : public QMainWindow, public Ui::TForm1
{
    Q_OBJECT

public:
    explicit TForm1(LogFileSelection &selection, QWidget *parent = nullptr);

    OpenFileDialog *OpenDialog1 = nullptr;

    void OpenClick();
    void btnPutClick();

    // A file handed over from outside (the command line): taken as a dropped one is.
    void OpenFromOutside(const std::string &path);

    // Adapts font and controls to a screen of pixelsPerInch; the window runs it once, while it
    // is created, for its own screen.
    void ScaleToScreen(int pixelsPerInch);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    THeaderSettings FieldValues() const;
    void ApplyWindowLook();
    void SetUpMenu();
    void FitLabelsAndScrollArea();
    void FitOuterSize();
    void ShowSelection();
    bool HandleButtonKey(QKeyEvent *event);

    LogFileSelection &m_selection;
    bool m_outerSizeFitted = false;
};

} // namespace mrfyc
