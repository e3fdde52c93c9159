// SPDX-License-Identifier: MIT
// What a screen reader finds in another program's window, through Microsoft Active Accessibility:
//   msaa_probe tree WINDOW               the window's client object and all below it, one a line:
//                                        depth, role (0: none), window class (or -), name, value,
//                                        tab-separated; a child window stands as its client object
//   msaa_probe press WINDOW NAME PARENT  the default action of the object NAME inside PARENT
// WINDOW is a class name or a caption. Output is UTF-8; exit 1 when the window or object is absent.
#include <windows.h>

#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(std::wstring_view text)
{
    std::string bytes(4 * text.size(), '\0');
    bytes.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr)));
    return bytes;
}

// A name or value; empty when there is none.
std::string Ask(IAccessible *holder, VARIANT child,
                HRESULT (STDMETHODCALLTYPE IAccessible::*question)(VARIANT, BSTR *))
{
    BSTR text = nullptr;
    const bool given = (holder->*question)(child, &text) == S_OK && text;
    const std::string bytes = given ? Utf8({text, SysStringLen(text)}) : "";
    SysFreeString(text);
    return bytes;
}

// What to do with each object: print it, or press the one named Press inside one named Inside.
struct Task
{
    std::string Press, Inside;
    bool Done = false;
};

// Prints or presses the object id of holder (CHILDID_SELF or a simple element); gives its name.
std::string Visit(IAccessible *holder, long id, int depth, const std::string &parent, Task &task)
{
    VARIANT child{}, role{};
    child.vt = VT_I4;
    child.lVal = id;
    const std::string name = Ask(holder, child, &IAccessible::get_accName);
    const std::string value = Ask(holder, child, &IAccessible::get_accValue);
    HWND window = nullptr;
    wchar_t className[128] = L"-";
    if (id == CHILDID_SELF && WindowFromAccessibleObject(holder, &window) == S_OK)
        GetClassNameW(window, className, 128);
    holder->get_accRole(child, &role); // 0 when none is given
    if (task.Press.empty())
        std::printf("%d\t%ld\t%s\t%s\t%s\n", depth, role.vt == VT_I4 ? role.lVal : 0L,
                    Utf8(className).c_str(), name.c_str(), value.c_str());
    else if (!task.Done && name == task.Press && parent == task.Inside)
        task.Done = holder->accDoDefaultAction(child) == S_OK;
    return name;
}

IAccessible *ClientOf(HWND window)
{
    void *client = nullptr;
    AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                               &client);
    return static_cast<IAccessible *>(client);
}

// Visits every object below parent, depth first.
void Walk(IAccessible *parent, const std::string &parentName, int depth, Task &task)
{
    HWND parentWindow = nullptr;
    WindowFromAccessibleObject(parent, &parentWindow);
    long count = 0;
    parent->get_accChildCount(&count);
    std::vector<VARIANT> children(static_cast<std::size_t>(std::max(count, 0L)));
    if (count <= 0 || FAILED(AccessibleChildren(parent, 0, count, children.data(), &count)))
        count = 0;
    children.resize(static_cast<std::size_t>(count));
    for (VARIANT &child : children) {
        IAccessible *object = nullptr;
        if (child.vt == VT_DISPATCH && child.pdispVal)
            child.pdispVal->QueryInterface(__uuidof(IAccessible),
                                           reinterpret_cast<void **>(&object));
        // A child window's object stands for the window: a screen reader reads its client area.
        HWND window = nullptr;
        if (object && WindowFromAccessibleObject(object, &window) == S_OK && window != parentWindow)
            if (IAccessible *client = ClientOf(window)) {
                object->Release();
                object = client;
            }
        if (object) {
            Walk(object, Visit(object, CHILDID_SELF, depth, parentName, task), depth + 1, task);
            object->Release();
        } else if (child.vt == VT_I4) {
            Visit(parent, child.lVal, depth, parentName, task);
        }
        VariantClear(&child);
    }
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    const std::wstring command = argc > 2 ? argv[1] : L"";
    if (command != L"tree" && !(command == L"press" && argc > 4)) {
        std::fprintf(stderr, "usage: msaa_probe tree WINDOW | press WINDOW NAME PARENT\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HWND window = FindWindowW(argv[2], nullptr);
    IAccessible *root = ClientOf(window ? window : FindWindowW(nullptr, argv[2]));
    if (!root) {
        std::fprintf(stderr, "no accessible window %s\n", Utf8(argv[2]).c_str());
        return 1;
    }
    Task task;
    if (command == L"press")
        task = {Utf8(argv[3]), Utf8(argv[4])};
    Walk(root, Visit(root, CHILDID_SELF, 0, "", task), 1, task);
    root->Release();
    return task.Press.empty() || task.Done ? 0 : 1;
}
