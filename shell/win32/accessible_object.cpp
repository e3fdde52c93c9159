// SPDX-License-Identifier: MIT
#include "shell/win32/accessible_object.h"

#include "shell/win32/error_report.h"

#include <utility>

namespace mrfyc {

namespace {

HRESULT Give(const std::wstring &text, BSTR *out)
{
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT GiveNumber(long number, VARIANT *out)
{
    out->vt = VT_I4;
    out->lVal = number;
    return S_OK;
}

// The element has nothing to say here; out was emptied already.
HRESULT Nothing()
{
    return S_FALSE;
}

} // namespace

AccessibleObject::AccessibleObject(HWND window, AccessibleAnswers answers)
    : m_window(window), m_answers(std::move(answers))
{
    void *standard = nullptr;
    if (SUCCEEDED(CreateStdAccessibleObject(window, static_cast<LONG>(OBJID_CLIENT),
                                            __uuidof(IAccessible), &standard)))
        m_standard = static_cast<IAccessible *>(standard);
}

AccessibleObject::~AccessibleObject()
{
    if (m_standard)
        m_standard->Release();
}

void AccessibleObject::Disconnect()
{
    if (!m_connected)
        return;
    m_connected = false;
    m_answers = {};
    if (m_standard)
        std::exchange(m_standard, nullptr)->Release();
    // Screen readers that still hold the object learn at once that it is gone.
    CoDisconnectObject(static_cast<IAccessible *>(this), 0);
}

HRESULT AccessibleObject::QueryInterface(REFIID id, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (id == __uuidof(IUnknown) || id == __uuidof(IDispatch) || id == __uuidof(IAccessible))
        *object = static_cast<IAccessible *>(this);
    else if (id == __uuidof(IOleWindow))
        *object = static_cast<IOleWindow *>(this);
    else if (id == __uuidof(IEnumVARIANT) && m_answers.Elements.empty() && m_standard)
        // The control's child windows, as the standard object lists them.
        return m_standard->QueryInterface(id, object);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG AccessibleObject::AddRef()
{
    return ++m_references;
}

ULONG AccessibleObject::Release()
{
    const ULONG left = --m_references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT AccessibleObject::GetTypeInfoCount(UINT *count)
{
    *count = 0;
    return S_OK;
}

HRESULT AccessibleObject::GetTypeInfo(UINT, LCID, ITypeInfo **)
{
    return E_NOTIMPL;
}

HRESULT AccessibleObject::GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *)
{
    return E_NOTIMPL;
}

HRESULT AccessibleObject::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *,
                                 UINT *)
{
    return E_NOTIMPL;
}

HRESULT AccessibleObject::GetWindow(HWND *window)
{
    *window = m_window;
    return m_connected ? S_OK : RPC_E_DISCONNECTED;
}

HRESULT AccessibleObject::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}

template <typename Standard> HRESULT AccessibleObject::AskStandard(Standard &&standard)
{
    if (!m_connected)
        return RPC_E_DISCONNECTED;
    return m_standard ? standard(m_standard) : E_NOTIMPL;
}

template <typename Standard, typename Own, typename Element>
HRESULT AccessibleObject::Answer(VARIANT child, Standard &&standard, Own &&own, Element &&element)
{
    if (!m_connected)
        return RPC_E_DISCONNECTED;
    if (child.vt != VT_I4)
        return E_INVALIDARG;
    const auto &elements = m_answers.Elements;
    try {
        if (child.lVal == CHILDID_SELF)
            return own();
        if (elements.empty())
            return AskStandard(standard);
        if (child.lVal < 1 || child.lVal > static_cast<long>(elements.size()))
            return E_INVALIDARG;
        return element(elements[static_cast<std::size_t>(child.lVal - 1)]);
    } catch (...) {
        // Nothing may pass back to the caller's process.
        return E_FAIL;
    }
}

RECT AccessibleObject::ScreenPlace(const AccessibleElement &element) const
{
    RECT place = element.Place ? element.Place() : RECT{};
    MapWindowPoints(m_window, HWND_DESKTOP, reinterpret_cast<POINT *>(&place), 2);
    return place;
}

HRESULT AccessibleObject::get_accParent(IDispatch **parent)
{
    *parent = nullptr;
    return AskStandard([&](IAccessible *s) { return s->get_accParent(parent); });
}

HRESULT AccessibleObject::get_accChildCount(long *count)
{
    *count = 0;
    if (!m_connected || m_answers.Elements.empty())
        return AskStandard([&](IAccessible *s) { return s->get_accChildCount(count); });
    *count = static_cast<long>(m_answers.Elements.size());
    return S_OK;
}

HRESULT AccessibleObject::get_accChild(VARIANT child, IDispatch **object)
{
    *object = nullptr;
    const auto standard = [&](IAccessible *s) { return s->get_accChild(child, object); };
    // Elements have no object of their own: they are asked through this one.
    return Answer(
        child, standard, [&] { return AskStandard(standard); },
        [](const AccessibleElement &) { return Nothing(); });
}

HRESULT AccessibleObject::get_accName(VARIANT child, BSTR *name)
{
    *name = nullptr;
    const auto standard = [&](IAccessible *s) { return s->get_accName(child, name); };
    return Answer(
        child, standard,
        [&] { return m_answers.Name ? Give(m_answers.Name(), name) : AskStandard(standard); },
        [&](const AccessibleElement &element) { return Give(element.Name, name); });
}

HRESULT AccessibleObject::get_accValue(VARIANT child, BSTR *value)
{
    *value = nullptr;
    const auto standard = [&](IAccessible *s) { return s->get_accValue(child, value); };
    return Answer(
        child, standard,
        [&] { return m_answers.Value ? Give(m_answers.Value(), value) : AskStandard(standard); },
        [](const AccessibleElement &) { return Nothing(); });
}

HRESULT AccessibleObject::get_accDescription(VARIANT child, BSTR *description)
{
    *description = nullptr;
    const auto standard = [&](IAccessible *s) { return s->get_accDescription(child, description); };
    return Answer(
        child, standard, [&] { return AskStandard(standard); },
        [](const AccessibleElement &) { return Nothing(); });
}

HRESULT AccessibleObject::get_accRole(VARIANT child, VARIANT *role)
{
    VariantInit(role);
    const auto standard = [&](IAccessible *s) { return s->get_accRole(child, role); };
    return Answer(
        child, standard,
        [&] { return m_answers.Role ? GiveNumber(m_answers.Role, role) : AskStandard(standard); },
        [&](const AccessibleElement &element) { return GiveNumber(element.Role, role); });
}

HRESULT AccessibleObject::get_accState(VARIANT child, VARIANT *state)
{
    VariantInit(state);
    const auto standard = [&](IAccessible *s) { return s->get_accState(child, state); };
    return Answer(
        child, standard, [&] { return AskStandard(standard); },
        [&](const AccessibleElement &element) {
            long flags = IsWindowEnabled(m_window) ? 0 : STATE_SYSTEM_UNAVAILABLE;
            if (element.Pressed && element.Pressed())
                flags |= STATE_SYSTEM_PRESSED;
            return GiveNumber(flags, state);
        });
}

HRESULT AccessibleObject::get_accHelp(VARIANT child, BSTR *help)
{
    *help = nullptr;
    const auto standard = [&](IAccessible *s) { return s->get_accHelp(child, help); };
    return Answer(
        child, standard, [&] { return AskStandard(standard); },
        [](const AccessibleElement &) { return Nothing(); });
}

HRESULT AccessibleObject::get_accHelpTopic(BSTR *file, VARIANT child, long *topic)
{
    *file = nullptr;
    *topic = 0;
    const auto standard = [&](IAccessible *s) { return s->get_accHelpTopic(file, child, topic); };
    return Answer(
        child, standard, [&] { return AskStandard(standard); },
        [](const AccessibleElement &) { return Nothing(); });
}

HRESULT AccessibleObject::get_accKeyboardShortcut(VARIANT child, BSTR *shortcut)
{
    *shortcut = nullptr;
    const auto standard = [&](IAccessible *s) {
        return s->get_accKeyboardShortcut(child, shortcut);
    };
    return Answer(
        child, standard, [&] { return AskStandard(standard); },
        [](const AccessibleElement &) { return Nothing(); });
}

HRESULT AccessibleObject::get_accFocus(VARIANT *focus)
{
    VariantInit(focus);
    return AskStandard([&](IAccessible *s) { return s->get_accFocus(focus); });
}

HRESULT AccessibleObject::get_accSelection(VARIANT *selection)
{
    VariantInit(selection);
    return AskStandard([&](IAccessible *s) { return s->get_accSelection(selection); });
}

HRESULT AccessibleObject::get_accDefaultAction(VARIANT child, BSTR *action)
{
    *action = nullptr;
    const auto standard = [&](IAccessible *s) { return s->get_accDefaultAction(child, action); };
    return Answer(
        child, standard, [&] { return AskStandard(standard); },
        [&](const AccessibleElement &element) {
            return element.DoDefaultAction ? Give(element.DefaultAction, action) : Nothing();
        });
}

HRESULT AccessibleObject::accSelect(long flags, VARIANT child)
{
    const auto standard = [&](IAccessible *s) { return s->accSelect(flags, child); };
    return Answer(
        child, standard, [&] { return AskStandard(standard); },
        [](const AccessibleElement &) { return DISP_E_MEMBERNOTFOUND; });
}

HRESULT AccessibleObject::accLocation(long *left, long *top, long *width, long *height,
                                      VARIANT child)
{
    const auto standard = [&](IAccessible *s) {
        return s->accLocation(left, top, width, height, child);
    };
    return Answer(
        child, standard, [&] { return AskStandard(standard); },
        [&](const AccessibleElement &element) {
            const RECT place = ScreenPlace(element);
            *left = place.left;
            *top = place.top;
            *width = place.right - place.left;
            *height = place.bottom - place.top;
            return S_OK;
        });
}

HRESULT AccessibleObject::accNavigate(long direction, VARIANT start, VARIANT *end)
{
    VariantInit(end);
    const auto standard = [&](IAccessible *s) { return s->accNavigate(direction, start, end); };
    const long count = static_cast<long>(m_answers.Elements.size());
    const auto own = [&] {
        if (count > 0 && (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD))
            return GiveNumber(direction == NAVDIR_FIRSTCHILD ? 1 : count, end);
        return AskStandard(standard);
    };
    // The elements stand in a column, the first on top.
    return Answer(start, standard, own, [&](const AccessibleElement &) {
        const bool forward = direction == NAVDIR_NEXT || direction == NAVDIR_DOWN;
        const bool backward = direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP;
        const long to = start.lVal + (forward ? 1 : backward ? -1 : 0);
        if (to == start.lVal || to < 1 || to > count)
            return Nothing();
        return GiveNumber(to, end);
    });
}

HRESULT AccessibleObject::accHitTest(long x, long y, VARIANT *child)
{
    VariantInit(child);
    if (!m_connected)
        return RPC_E_DISCONNECTED;
    const auto &elements = m_answers.Elements;
    for (std::size_t index = 0; index < elements.size(); ++index) {
        const RECT place = ScreenPlace(elements[index]);
        if (PtInRect(&place, POINT{x, y}))
            return GiveNumber(static_cast<long>(index + 1), child);
    }
    return AskStandard([&](IAccessible *s) { return s->accHitTest(x, y, child); });
}

HRESULT AccessibleObject::accDoDefaultAction(VARIANT child)
{
    const auto standard = [&](IAccessible *s) { return s->accDoDefaultAction(child); };
    return Answer(
        child, standard, [&] { return AskStandard(standard); },
        [](const AccessibleElement &element) {
            if (!element.DoDefaultAction)
                return DISP_E_MEMBERNOTFOUND;
            // As a click would, an error the action raises is reported to the user.
            RunCommand(element.DoDefaultAction);
            return S_OK;
        });
}

HRESULT AccessibleObject::put_accName(VARIANT, BSTR)
{
    return E_NOTIMPL;
}

HRESULT AccessibleObject::put_accValue(VARIANT, BSTR)
{
    return E_NOTIMPL;
}

} // namespace mrfyc
