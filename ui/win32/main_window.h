// SPDX-License-Identifier: MIT
#pragma once

#include "rules/header_fields.h"
#include "rules/header_settings.h"
#include "rules/main_window_layout.h"
#include "shell/win32/gdi_owners.h"
#include "shell/win32/window_base.h"
#include "ui/win32/label.h"
#include "ui/win32/open_file_dialog.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <array>
#include <memory>
#include <string>

namespace mrfyc {

class LogFileSelection;
class TSpinEdit;

// The program's one window: the file label, the four header fields, the OK button, the menu
// command 開く and the drop target. It holds no patching logic; it hands user actions to the log
// file selection and to the patch. The controls are public and named as in the layout, the fields
// through accessors.
class TForm1 : public WindowBase<TForm1>
{
public:
    // Builds the window, hidden, owned by owner (the application window, or nullptr).
    TForm1(HINSTANCE instance, HWND owner, LogFileSelection &selection);
    ~TForm1();

    HWND btnPut = nullptr;
    HMENU MainMenu1 = nullptr;
    OpenFileDialog OpenDialog1;
    std::unique_ptr<TLabel> lblFile;

    // The spin fields and their captions, by the header field each shows.
    TSpinEdit *Field(HeaderFieldIndex field) const { return m_fields[field].get(); }
    TLabel *Caption(HeaderFieldIndex field) const { return m_captions[field].get(); }
    TSpinEdit *UdH() const { return Field(kImageHeightField); }
    TSpinEdit *UdW() const { return Field(kImageWidthField); }
    TSpinEdit *Udl() const { return Field(kLineCountField); }
    TSpinEdit *UdQ() const { return Field(kQualityField); }

    void OpenClick();
    void btnPutClick();
    void WMDropFiles(HDROP drop);

    // A file handed over from outside (the command line), taken as a dropped one is once the
    // window's loop runs, so that a refusal's notice comes after the window is shown.
    void OpenFromOutsideLater(const std::string &path);

    // What the file label's tip shows: the current log path, whole.
    std::wstring FileTipText() const;

private:
    THeaderSettings FieldValues() const;
    friend class WindowBase<TForm1>;
    friend class Subclass<TForm1>;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The OK button's and the fields' keys, before the controls see them.
    LRESULT HandleSubclassed(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
    bool PreviewKey(const MSG &key);
    bool HandleControlKey(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                          LRESULT &result);
    void CreateWindowFrame(HINSTANCE instance, HWND owner);
    void BuildContents();
    void CreateControls(const ScaledMainWindow &layout);
    void CreateFields(const ScaledMainWindow &layout);
    void CreateLabels(const ScaledMainWindow &layout);
    // The label at index of the layout's labels: the file label or a field's caption.
    TLabel &LabelAt(std::size_t index) const;
    void MeasureContent();
    // The whole window at another scale, in the outer rectangle given.
    void ScaleTo(int pixelsPerInch, const RECT &suggested);
    void SetUpMenu();
    void CreateFileTip(HINSTANCE instance);
    TTTOOLINFOW FileTool() const;
    void ShowSelection();
    void UpdateFileTip();
    void FocusNextControl(HWND current, bool backward);
    void UpdateScrollRange();
    void Scroll(int bar, WORD request);
    void ScrollTo(int bar, int position);
    HWND TabStop(std::size_t index) const;

    LogFileSelection &m_selection;
    std::array<std::unique_ptr<TSpinEdit>, kHeaderFields.size()> m_fields;
    std::array<std::unique_ptr<TLabel>, kHeaderFields.size()> m_captions;
    HWND m_owner = nullptr;
    OwnedFont m_font;
    std::wstring m_face;
    int m_pixelsPerInch = kDesignPixelsPerInch;
    HWND m_lastFocus = nullptr;
    HWND m_fileTip = nullptr;
    std::string m_pendingPath;
    bool m_hasPendingPath = false;
    // How far the controls reach, and how far the client area is scrolled along each bar.
    int m_contentExtent[2] = {0, 0};
    int m_scrollPosition[2] = {0, 0};
    // Last, so that the window and its controls go first, before the font and the objects of
    // the controls, also when the constructor fails half-way.
    OwnedWindow m_window;
};

} // namespace mrfyc
