// SPDX-License-Identifier: MIT
// What a screen reader finds in another program's window, through Microsoft Active Accessibility:
//   msaa_probe tree WINDOW           the window's client object and all below it, one a line:
//                                    depth, role number, window class (or -), name, value,
//                                    tab-separated; a child window is shown by its client object
//   msaa_probe press WINDOW NAME     the default action of the first object named NAME whose
//                                    parent is named by the fourth argument, when given
// WINDOW is a class name or a caption. Output is UTF-8; exit 1 when the window or object is absent.
#include <windows.h>

#include <oleacc.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const wchar_t *text, int length = -1)
{
    std::string bytes(4 * (length < 0 ? wcslen(text) : length) + 1, '\0');
    bytes.resize(WideCharToMultiByte(CP_UTF8, 0, text, length, bytes.data(),
                                     static_cast<int>(bytes.size()), nullptr, nullptr));
    return length < 0 && !bytes.empty() ? bytes.substr(0, bytes.size() - 1) : bytes;
}

std::string Text(BSTR text)
{
    std::string bytes = text ? Utf8(text, static_cast<int>(SysStringLen(text))) : "";
    SysFreeString(text);
    for (char &c : bytes)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return bytes;
}

struct Object
{
    IAccessible *parent;
    long id; // CHILDID_SELF or a simple element of parent
    std::string role, className, name, value;
};

Object Describe(IAccessible *accessible, long id)
{
    VARIANT child{};
    child.vt = VT_I4;
    child.lVal = id;
    Object object{accessible, id, "-", "-", "", ""};
    VARIANT role{};
    if (accessible->get_accRole(child, &role) == S_OK && role.vt == VT_I4)
        object.role = std::to_string(role.lVal);
    BSTR text = nullptr;
    object.name = accessible->get_accName(child, &text) == S_OK ? Text(text) : "";
    text = nullptr;
    object.value = accessible->get_accValue(child, &text) == S_OK ? Text(text) : "";
    HWND window = nullptr;
    wchar_t className[128] = L"-";
    if (id == CHILDID_SELF && WindowFromAccessibleObject(accessible, &window) == S_OK)
        GetClassNameW(window, className, 128);
    object.className = Utf8(className);
    return object;
}

// Calls visit(object, depth, parent name) for every object below accessible, depth first.
template <typename Visit> void Walk(IAccessible *accessible, int depth, Visit &&visit)
{
    const std::string parentName = Describe(accessible, CHILDID_SELF).name;
    long count = 0;
    accessible->get_accChildCount(&count);
    std::vector<VARIANT> children(static_cast<std::size_t>(count));
    long got = 0;
    if (count > 0 && FAILED(AccessibleChildren(accessible, 0, count, children.data(), &got)))
        got = 0;
    for (long i = 0; i < got; ++i) {
        VARIANT &child = children[static_cast<std::size_t>(i)];
        IAccessible *object = nullptr;
        if (child.vt == VT_DISPATCH && child.pdispVal)
            child.pdispVal->QueryInterface(__uuidof(IAccessible),
                                           reinterpret_cast<void **>(&object));
        if (!object) {
            if (child.vt == VT_I4)
                visit(Describe(accessible, child.lVal), depth, parentName);
            VariantClear(&child);
            continue;
        }
        // A child window's object stands for the window: a screen reader reads its client area.
        HWND window = nullptr, parentWindow = nullptr;
        IAccessible *client = nullptr;
        WindowFromAccessibleObject(accessible, &parentWindow);
        if (WindowFromAccessibleObject(object, &window) == S_OK && window != parentWindow &&
            AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                       __uuidof(IAccessible),
                                       reinterpret_cast<void **>(&client)) == S_OK) {
            object->Release();
            object = client;
        }
        visit(Describe(object, CHILDID_SELF), depth, parentName);
        Walk(object, depth + 1, visit);
        object->Release();
        VariantClear(&child);
    }
}

HWND FindByName(const wchar_t *name)
{
    HWND window = FindWindowW(name, nullptr);
    return window ? window : FindWindowW(nullptr, name);
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    const std::wstring command = argc > 2 ? argv[1] : L"";
    if (command != L"tree" && !(command == L"press" && argc > 3)) {
        std::fprintf(stderr, "usage: msaa_probe tree WINDOW | press WINDOW NAME [PARENT]\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccessible *root = nullptr;
    HWND window = FindByName(argv[2]);
    if (!window ||
        AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                   reinterpret_cast<void **>(&root)) != S_OK) {
        std::fprintf(stderr, "no accessible window %s\n", Utf8(argv[2]).c_str());
        return 1;
    }
    int found = 1;
    const std::string wanted = argc > 3 ? Utf8(argv[3]) : "";
    const std::string parent = argc > 4 ? Utf8(argv[4]) : "";
    const auto visit = [&](const Object &object, int depth, const std::string &parentName) {
        if (command == L"tree") {
            std::printf("%d\t%s\t%s\t%s\t%s\n", depth, object.role.c_str(),
                        object.className.c_str(), object.name.c_str(), object.value.c_str());
            found = 0;
        } else if (found && object.name == wanted && (parent.empty() || parentName == parent)) {
            VARIANT child{};
            child.vt = VT_I4;
            child.lVal = object.id;
            found = object.parent->accDoDefaultAction(child) == S_OK ? 0 : 1;
        }
    };
    visit(Describe(root, CHILDID_SELF), 0, "");
    Walk(root, 1, visit);
    root->Release();
    return found;
}
