#include "native_windows.h"

#include <algorithm>

namespace mv::host {
namespace {

constexpr wchar_t kWindowClass[] = L"MvJavaHostWindow";
constexpr wchar_t kMessageWindowClass[] = L"MvJavaHostRequests";
// A request handed to the UI thread; lParam points to it, the sender waits in SendMessage.
constexpr UINT kRequestMessage = WM_APP + 1;
constexpr DWORD kStartTimeoutMs = 30000;

bool RegisterClasses(HINSTANCE instance) {
    WNDCLASSEXW shown{};
    shown.cbSize = sizeof(shown);
    shown.lpfnWndProc = ::DefWindowProcW;
    shown.hInstance = instance;
    shown.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    shown.lpszClassName = kWindowClass;
    return ::RegisterClassExW(&shown) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

struct NativeWindows::Request {
    enum class Kind { top_level, child, close, shut_down };
    explicit Request(Kind k) : kind(k) {}
    Kind kind;
    HWND window = nullptr;  // parent of a child, the window to close; the answer of a create
    WindowRect rect;
    std::wstring title;
    bool done = false;
};

NativeWindows::NativeWindows() : m_ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (!m_ready) return;
    m_thread.reset(::CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr));
    if (!m_thread) return;
    const HANDLE waitFor[] = {m_ready.get(), m_thread.get()};
    ::WaitForMultipleObjects(2, waitFor, FALSE, kStartTimeoutMs);
}

NativeWindows::~NativeWindows() {
    if (!m_thread) return;
    if (m_messageWindow) {
        Request request(Request::Kind::shut_down);
        Send(request);
    }
    ::WaitForSingleObject(m_thread.get(), kStartTimeoutMs);
}

HWND NativeWindows::CreateTopLevel(const WindowRect& rect, const std::wstring& title) {
    Request request(Request::Kind::top_level);
    request.rect = rect;
    request.title = title;
    Send(request);
    return request.window;
}

HWND NativeWindows::CreateChild(HWND parent, const WindowRect& rect) {
    Request request(Request::Kind::child);
    request.window = parent;
    request.rect = rect;
    Send(request);
    return request.window;
}

bool NativeWindows::Close(HWND window) {
    Request request(Request::Kind::close);
    request.window = window;
    Send(request);
    return request.done;
}

void NativeWindows::Send(Request& request) {
    if (!m_messageWindow) {
        request.window = nullptr;
        return;
    }
    ::SendMessageW(m_messageWindow, kRequestMessage, 0, reinterpret_cast<LPARAM>(&request));
}

DWORD WINAPI NativeWindows::ThreadMain(void* param) {
    auto* self = static_cast<NativeWindows*>(param);
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW requests{};
    requests.cbSize = sizeof(requests);
    requests.lpfnWndProc = &MessageWindowProc;
    requests.hInstance = instance;
    requests.lpszClassName = kMessageWindowClass;
    const bool registered = RegisterClasses(instance) &&
                            (::RegisterClassExW(&requests) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
    // A message-only window: it is not among the process's top-level windows, so window
    // matching in this process sees only the windows made on request.
    HWND messageWindow = registered ? ::CreateWindowExW(0, kMessageWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                                        nullptr, instance, nullptr)
                                    : nullptr;
    if (messageWindow) ::SetWindowLongPtrW(messageWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->m_messageWindow = messageWindow;
    ::SetEvent(self->m_ready.get());
    if (!messageWindow) return 1;

    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}

LRESULT CALLBACK NativeWindows::MessageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRequestMessage) {
        auto* self = reinterpret_cast<NativeWindows*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self) self->Perform(*reinterpret_cast<Request*>(lParam));
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void NativeWindows::Perform(Request& request) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const WindowRect& r = request.rect;
    switch (request.kind) {
    case Request::Kind::top_level:
        request.window = ::CreateWindowExW(0, kWindowClass, request.title.c_str(), WS_POPUP | WS_VISIBLE, r.x, r.y,
                                           r.width, r.height, nullptr, nullptr, instance, nullptr);
        break;
    case Request::Kind::child: {
        const bool ours = std::find(m_made.begin(), m_made.end(), request.window) != m_made.end();
        request.window = ours ? ::CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE, r.x, r.y, r.width,
                                                  r.height, request.window, nullptr, instance, nullptr)
                              : nullptr;
        break;
    }
    case Request::Kind::close: {
        const auto found = std::find(m_made.begin(), m_made.end(), request.window);
        request.done = found != m_made.end() && ::DestroyWindow(request.window);
        break;
    }
    case Request::Kind::shut_down:
        for (auto it = m_made.rbegin(); it != m_made.rend(); ++it)
            if (::IsWindow(*it)) ::DestroyWindow(*it);
        m_made.clear();
        ::DestroyWindow(m_messageWindow);
        ::PostQuitMessage(0);
        request.done = true;
        return;
    }
    if ((request.kind == Request::Kind::top_level || request.kind == Request::Kind::child) && request.window)
        m_made.push_back(request.window);
    // Children destroyed with their parent are forgotten too.
    m_made.erase(std::remove_if(m_made.begin(), m_made.end(), [](HWND w) { return !::IsWindow(w); }), m_made.end());
}

}  // namespace mv::host
