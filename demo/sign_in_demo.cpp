#include "sign_in_demo.h"

#include <oleauto.h>

#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/bstr.h"
#include "common/com/com_ptr.h"
#include "common/com/dispatch_elements.h"
#include "common/com/variant.h"
#include "demo_text.h"
#include "published_jvm.h"

namespace mvdemo {
namespace {

const char* ResultName(GetHWNDResultInfo info) {
    switch (info) {
        case ResultOK: return "ResultOK";
        case NotATopLevelWindow: return "NotATopLevelWindow";
        case CannotMatch: return "CannotMatch";
        case NoMatch: return "NoMatch";
        case ResultAmbiguous: return "ResultAmbiguous";
    }
    return "?";
}

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOfProcess(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    if (owner == search->pid && ::IsWindowVisible(hwnd)) search->found.push_back(hwnd);
    return TRUE;
}

// The visible top-level native windows of process `pid`, from the top of the Z order down.
std::vector<HWND> NativeWindowsOf(DWORD pid) {
    WindowSearch search{pid, {}};
    ::EnumWindows(&CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// What a client reads of one component to recognise it.
struct Seen {
    mv::com_ptr<IJAwtComponent> component;
    std::wstring className, name, title;
    POINTL position{};
    SIZE size{};
};

Seen Describe(const mv::com_ptr<IJAwtComponent>& component) {
    Seen seen;
    seen.component = component;
    mv::unique_bstr cls, name, title;
    VARIANT_BOOL ok = VARIANT_FALSE;
    component->GetComponentClass(cls.put());
    component->GetAttribute(Bstr(L"name").get(), name.put(), &ok);
    component->GetAttribute(Bstr(L"title").get(), title.put(), &ok);
    component->GetBounds(&seen.position, &seen.size, &ok);
    seen.className = cls.view();
    seen.name = name.view();
    seen.title = title.view();
    return seen;
}

// The children of a container (none for a plain component), queried for IJAwtComponent: component
// objects cross processes as IDispatch.
std::vector<mv::com_ptr<IJAwtComponent>> ChildrenOf(const mv::com_ptr<IJAwtComponent>& component) {
    std::vector<mv::com_ptr<IJAwtComponent>> children;
    auto container = component.try_query<IJAwtContainer>();
    SAFEARRAY* array = nullptr;
    if (!container || FAILED(container->GetChildComponents(&array))) return children;
    for (const auto& element : mv::TakeDispatchElements(array)) {
        mv::com_ptr<IJAwtComponent> child;
        if (element && SUCCEEDED(element.query(child))) children.push_back(std::move(child));
    }
    return children;
}

// Prints the tree under `component` and collects every component seen, parents first.
void Walk(const mv::com_ptr<IJAwtComponent>& component, int depth, std::vector<Seen>& all, std::FILE* out) {
    Seen seen = Describe(component);
    std::fprintf(out, "    %*s%s", depth * 2, "", Narrow(seen.className).c_str());
    if (!seen.name.empty()) std::fprintf(out, " name=\"%s\"", Narrow(seen.name).c_str());
    if (!seen.title.empty()) std::fprintf(out, " text=\"%s\"", Narrow(seen.title).c_str());
    std::fprintf(out, " at (%ld,%ld) %ldx%ld\n", static_cast<long>(seen.position.x),
                 static_cast<long>(seen.position.y), static_cast<long>(seen.size.cx),
                 static_cast<long>(seen.size.cy));
    all.push_back(std::move(seen));
    for (const auto& child : ChildrenOf(component)) Walk(child, depth + 1, all, out);
}

bool EndsWith(const std::wstring& text, const wchar_t* suffix) {
    const std::wstring s(suffix);
    return text.size() >= s.size() && text.compare(text.size() - s.size(), s.size(), s) == 0;
}

// The Java frame behind the first native window of `pid` that the module matches.
mv::com_ptr<IJAwtComponent> FindJavaFrame(IMvJavaCpp* jvm, DWORD pid, std::FILE* out) {
    for (HWND hwnd : NativeWindowsOf(pid)) {
        GetHWNDResultInfo info = CannotMatch;
        mv::com_ptr<IDispatch> found;
        const HRESULT hr = jvm->GetComponentFromHwnd(static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(hwnd)),
                                                     &info, found.put());
        wchar_t caption[128] = L"";
        ::GetWindowTextW(hwnd, caption, 128);
        std::fprintf(out, "  native window 0x%lx \"%s\": GetComponentFromHwnd -> 0x%08lx, %s\n",
                     static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(hwnd)), Narrow(caption).c_str(),
                     static_cast<unsigned long>(hr), ResultName(info));
        mv::com_ptr<IJAwtComponent> frame;
        if (found && SUCCEEDED(found.query(frame))) {
            const Seen seen = Describe(frame);
            if (seen.title == L"Sign in") return frame;
        }
    }
    return {};
}

}  // namespace

bool RunSignInDemo(const std::wstring& modulePath, DWORD pid, const std::wstring& user,
                   const std::wstring& password, std::FILE* out) {
    const mv::com_ptr<IMvJavaCpp> jvm = FindPublishedJvm(modulePath, pid, out);
    if (!jvm) return false;

    const mv::com_ptr<IJAwtComponent> frame = FindJavaFrame(jvm.get(), pid, out);
    if (!frame) {
        std::fprintf(out, "  no native window of process %lu shows the Java \"Sign in\" frame\n",
                     static_cast<unsigned long>(pid));
        return false;
    }
    std::fprintf(out, "  the Java frame behind it, as the module sees it:\n");
    std::vector<Seen> all;
    Walk(frame, 0, all, out);

    // Recognise the form as a sign-on rule would: the "Sign in" button, and the text fields of
    // its panel in row order (user name in row 1, password in row 2).
    const Seen* button = nullptr;
    for (const auto& seen : all)
        if (EndsWith(seen.className, L"JButton") && seen.title == L"Sign in") button = &seen;
    if (!button) {
        std::fprintf(out, "  no \"Sign in\" button found\n");
        return false;
    }
    mv::com_ptr<IDispatch> panelDispatch;
    mv::com_ptr<IJAwtComponent> panel;
    if (FAILED(button->component->GetContainer(panelDispatch.put())) || !panelDispatch ||
        FAILED(panelDispatch.query(panel))) {
        std::fprintf(out, "  the button's panel could not be read\n");
        return false;
    }
    mv::com_ptr<IJAwtComponent> rows[2];
    for (const auto& child : ChildrenOf(panel)) {
        VARIANT_BOOL text = VARIANT_FALSE;
        LONG row = -1, column = -1;
        if (FAILED(child->IsTextComponent(&text)) || text != VARIANT_TRUE) continue;
        child->GetRelYPos(&row);
        child->GetRelXPos(&column);
        std::fprintf(out, "  text field %s in row %ld, column %ld\n", Narrow(Describe(child).name).c_str(),
                     static_cast<long>(row), static_cast<long>(column));
        if (row == 1 || row == 2) rows[row - 1] = child;
    }
    if (!rows[0] || !rows[1]) {
        std::fprintf(out, "  the two fields of the form were not found\n");
        return false;
    }

    VARIANT_BOOL set = VARIANT_FALSE, setPassword = VARIANT_FALSE;
    rows[0]->SetValue(mv::unique_bstr::copy_of(user).get(), &set);
    rows[1]->SetValue(mv::unique_bstr::copy_of(password).get(), &setPassword);
    std::fprintf(out, "  SetValue user name -> %s, password -> %s\n", set == VARIANT_TRUE ? "done" : "FAILED",
                 setPassword == VARIANT_TRUE ? "done" : "FAILED");
    const HRESULT click = button->component->DoClick();
    std::fprintf(out, "  DoClick \"Sign in\" -> 0x%08lx\n", static_cast<unsigned long>(click));

    // What the application saw, read back through the generic members (static members are
    // reached through an instance of their class).
    UINT64 app = 0;
    mv::unique_bstr answer;
    mv::unique_variant none;
    if (SUCCEEDED(jvm->NewDefJavaObject(Bstr(L"samples.LoginApp").get(), &app))) {
        jvm->CallStaticStringMethod(app, Bstr(L"lastSignIn").get(), Bstr(L"()Ljava/lang/String;").get(),
                                    none.get(), answer.put());
        jvm->DeleteJavaObject(app);
    }
    std::fprintf(out, "  the application's last sign-in: \"%s\"\n", Narrow(answer.view()).c_str());
    return set == VARIANT_TRUE && setPassword == VARIANT_TRUE && click == S_OK &&
           answer.view() == user + L"|" + password;
}

}  // namespace mvdemo
