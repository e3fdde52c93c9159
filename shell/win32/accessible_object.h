// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <oleacc.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace mrfyc {

// A part of a control that has no window of its own (an arrow of a spin pair), as a screen reader
// finds, names and uses it.
struct AccessibleElement
{
    std::wstring Name{};
    long Role = ROLE_SYSTEM_PUSHBUTTON;
    std::wstring DefaultAction{};
    std::function<RECT()> Place{}; // in the client coordinates of the control's window
    std::function<bool()> Pressed{};
    std::function<void()> DoDefaultAction{};
};

// What a control tells a screen reader beyond what the system's standard object for its window
// tells; what is left empty is the standard object's answer.
struct AccessibleAnswers
{
    long Role = 0;
    std::function<std::wstring()> Name{};
    std::function<std::wstring()> Value{};
    std::vector<AccessibleElement> Elements{};
};

// The Active Accessibility object of one control's client area: the system's standard object for
// the window (CreateStdAccessibleObject), with the answers given here in front of it and the
// elements as its children (child ids 1, 2, ...). A screen reader may hold it after the control is
// gone: once disconnected, it answers that it is no longer there.
class AccessibleObject final : public IAccessible, public IOleWindow
{
public:
    AccessibleObject(HWND window, AccessibleAnswers answers);
    AccessibleObject(const AccessibleObject &) = delete;
    AccessibleObject &operator=(const AccessibleObject &) = delete;
    // The control is going: no answer reaches it from now on.
    void Disconnect();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void **object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: screen readers call IAccessible directly; there is no type information.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *,
                                     EXCEPINFO *, UINT *) override;
    // IOleWindow: the window the object belongs to.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND *window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override;
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch **parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long *count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch **object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR *name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR *value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR *description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT *role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT *state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR *help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR *file, VARIANT child, long *topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR *shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT *focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT *selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR *action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long *left, long *top, long *width, long *height,
                                          VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT *end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT *child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override;

private:
    ~AccessibleObject();
    // Routes a question about child: Own answers for the control itself, Element for one of the
    // elements, Standard (the standard object) for anything else the control holds.
    template <typename Standard, typename Own, typename Element>
    HRESULT Answer(VARIANT child, Standard &&standard, Own &&own, Element &&element);
    template <typename Standard> HRESULT AskStandard(Standard &&standard);
    RECT ScreenPlace(const AccessibleElement &element) const;

    std::atomic<ULONG> m_references{1};
    HWND m_window;
    AccessibleAnswers m_answers;
    IAccessible *m_standard = nullptr;
    bool m_connected = true;
};

} // namespace mrfyc
