// SPDX-License-Identifier: MIT
#pragma once

#include "rules/geometry.h"
#include "rules/spin_field.h"
#include "rules/spin_field_geometry.h"
#include "shell/win32/accessibility.h"
#include "shell/win32/window_base.h"
#include "ui/win32/spin_button.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace mrfyc {

// A text box holding a signed 32-bit integer as text, with an arrow pair inside its right edge:
// a multi-line edit control (the pair is its child, clipped from its text area) whose messages
// pass through this object first. The text is the only state; Value is worked out from it on
// every read.
//
// A window creates its fields in tab order (creation order is the order IsDialogMessage walks),
// sets MinValue and MaxValue before Value, and gives the font at creation, with SetFont or with
// WM_SETFONT; the field then takes the font's height. Under IsDialogMessage, Tab and Esc go to the
// window, Enter and the arrow keys stay with the field. Errors raised inside the field's message
// handling are reported by the shell's RunCommand.
class TSpinEdit
{
public:
    // A visible child of parent with WS_TABSTOP and the text "0"; bounds in parent's client
    // coordinates. A font given here (not owned; none is the system font) is the field's from the
    // start, so that the field is placed and laid out once.
    TSpinEdit(HWND parent, int controlId, const Rect &bounds, HFONT font = nullptr);
    virtual ~TSpinEdit();
    TSpinEdit(const TSpinEdit &) = delete;
    TSpinEdit &operator=(const TSpinEdit &) = delete;

    // The edit control: the window that takes the focus (tab order, SetFocus).
    HWND Handle() const { return m_edit; }
    // A height below the font's least height is raised to it, here as on any resize.
    void SetBounds(const Rect &bounds);
    // Sets the font (not owned) and, with AutoSize, the height that it gives.
    void SetFont(HFONT font);

    std::int32_t Value() const;
    void SetValue(std::int32_t value);
    std::int32_t MinValue() const { return m_bounds.MinValue; }
    void SetMinValue(std::int32_t value) { m_bounds.MinValue = value; }
    std::int32_t MaxValue() const { return m_bounds.MaxValue; }
    void SetMaxValue(std::int32_t value) { m_bounds.MaxValue = value; }
    bool EditorEnabled() const { return m_editorEnabled; }
    void SetEditorEnabled(bool enabled) { m_editorEnabled = enabled; }
    bool ReadOnly() const;

    // The text as the field shows it, in UTF-8.
    std::string Text() const;

    virtual bool AcceptsChar(char32_t character) const;
    virtual void StepUp();
    virtual void StepDown();

    TSpinButton &Button() { return *m_button; }
    // The arrow pair's size and glyphs for a screen's scale, placed in the field anew.
    void SetPixelsPerInch(int pixelsPerInch);

    // What a screen reader calls the field and its arrow pair: the field's caption.
    void SetAccessibleName(const std::wstring &name);

    // The heights that the font gives: the AutoSize height and the least height of the field.
    int AutoSizeHeight() const;
    int MinimumHeight() const;

    // Raised when the text changes: by a step or a value set, and by typing, pasting or cutting
    // once the parent window hands the edit's EN_CHANGE on to EditChanged (a parent that has no
    // use for OnChange need not).
    std::function<void()> OnChange;
    void EditChanged();

private:
    friend class Subclass<TSpinEdit>;
    LRESULT HandleSubclassed(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleCharacter(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleKeyDown(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT PassOn(UINT message, WPARAM wParam, LPARAM lParam);
    void Step(SpinDirection direction);
    void ShowText(const std::string &utf8);
    void Paste();
    bool MayEditText() const;
    void Exit();
    int HeightFor(int height) const;
    void ApplyHeightRules();
    void PlaceButton();
    void FitTextBeside(const SpinPairPlace &place, int clientBottom);
    void RaiseChange();

    HWND m_edit = nullptr;
    std::unique_ptr<TSpinButton> m_button;
    // The text height of the field's font, measured when the font is set: every move of the field
    // needs it.
    int m_textHeight = 0;
    SpinBounds m_bounds;
    // No window changes these from their defaults: one step is 1, the focus selects the text,
    // the font sets the height.
    static constexpr std::int32_t Increment = 1;
    static constexpr bool AutoSelect = true;
    static constexpr bool AutoSize = true;
    bool m_editorEnabled = true;
    // A left press inside the text is placing the caret; the focus it brings selects nothing.
    bool m_pressInText = false;
    // The field writes its own text; the edit's change notice for it is not a second change.
    bool m_writingText = false;
    std::wstring m_accessibleName;
    Accessibility m_accessibility{{.Name = [this] { return m_accessibleName; }}};
};

} // namespace mrfyc
