// SPDX-License-Identifier: MIT
#pragma once

#include "rules/header_fields.h"
#include "rules/header_settings.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <string>

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QMenuBar;
class QPushButton;
class QScrollArea;

namespace mrfyc {

class LogFileSelection;
class OpenFileDialog;
class TSpinEdit;

// The program's one window: the file label, the four header fields, the OK button, the menu
// command 開く and the drop target. It holds no patching logic; it hands user actions to the
// log file selection and to the patch. The controls are public and named as in the layout, the
// fields through accessors.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit TForm1(LogFileSelection &selection, QWidget *parent = nullptr);

    QAction *Open = nullptr;
    QScrollArea *ScrollBox = nullptr;
    QWidget *ClientArea = nullptr;
    QLabel *lblFile = nullptr;
    QPushButton *btnPut = nullptr;
    QMenuBar *MainMenu1 = nullptr;
    OpenFileDialog *OpenDialog1 = nullptr;

    // The spin fields and their captions, by the header field each shows.
    TSpinEdit *Field(HeaderFieldIndex field) const { return m_fields[field]; }
    QLabel *Caption(HeaderFieldIndex field) const { return m_captions[field]; }
    TSpinEdit *UdH() const { return Field(kImageHeightField); }
    TSpinEdit *UdW() const { return Field(kImageWidthField); }
    TSpinEdit *Udl() const { return Field(kLineCountField); }
    TSpinEdit *UdQ() const { return Field(kQualityField); }

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
    void CreateControls();
    void CreateLabels();
    void CreateTabStops();
    void ApplyWindowLook();
    void SetUpMenu();
    void FitLabelsAndScrollArea();
    void FitOuterSize();
    void ShowSelection();
    bool HandleButtonKey(QKeyEvent *event);

    LogFileSelection &m_selection;
    std::array<TSpinEdit *, kHeaderFields.size()> m_fields{};
    std::array<QLabel *, kHeaderFields.size()> m_captions{};
    bool m_outerSizeFitted = false;
};

} // namespace mrfyc
