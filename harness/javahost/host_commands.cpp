#include "host_commands.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "java_windows.h"
#include "jniproxy/mv_jni_proxy.h"

namespace mv::host {
namespace {

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// A whole word as a decimal number, or false.
bool ParseNumber(const std::string& word, long long& value) {
    if (word.empty()) return false;
    char* end = nullptr;
    value = std::strtoll(word.c_str(), &end, 10);
    return end && *end == '\0';
}

// Four numbers from words[first] on: x, y, width, height (width and height positive).
bool ParseRect(const std::vector<std::string>& words, std::size_t first, WindowRect& rect) {
    long long v[4];
    for (std::size_t i = 0; i < 4; ++i)
        if (!ParseNumber(words[first + i], v[i]) || v[i] < INT_MIN || v[i] > INT_MAX) return false;
    if (v[2] <= 0 || v[3] <= 0) return false;
    rect = {static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]), static_cast<int>(v[3])};
    return true;
}

bool ParseWindow(const std::string& word, HWND& window) {
    long long value = 0;
    if (!ParseNumber(word, value) || value <= 0) return false;
    window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
    return true;
}

std::string WindowAnswer(const char* prefix, HWND window) {
    return std::string(prefix) + " " + std::to_string(reinterpret_cast<ULONG_PTR>(window));
}

std::string HresultText(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(hr));
    return text;
}

}  // namespace

std::vector<std::string> HostCommands::Run(const std::string& line) {
    const std::vector<std::string> words = Words(line);
    if (words.empty()) return {"error empty command"};
    const std::string& name = words[0];
    if (name == "window") return {Window(words)};
    if (name == "child") return {Child(words)};
    if (name == "close") return {Close(words)};
    if (name == "mirror" && words.size() <= 2) return Mirror(words);
    if (name == "refs" && words.size() == 1) return {References()};
    if (name == "counters" && words.size() == 1) return {Counters()};
    if (name == "prices" && words.size() == 1) return {Prices()};
    if (name == "jni-server" && words.size() == 1) return {JniServer()};
    return {"error unknown command: " + name};
}

std::string HostCommands::Window(const std::vector<std::string>& words) {
    WindowRect rect;
    if (words.size() != 5 || !ParseRect(words, 1, rect)) return "error usage: window X Y W H";
    const HWND window = m_windows.CreateTopLevel(rect, L"");
    if (!window) return "error the window was not made";
    return WindowAnswer("window", window);
}

std::string HostCommands::Child(const std::vector<std::string>& words) {
    HWND parent = nullptr;
    WindowRect rect;
    if (words.size() != 6 || !ParseWindow(words[1], parent) || !ParseRect(words, 2, rect))
        return "error usage: child PARENT X Y W H";
    const HWND window = m_windows.CreateChild(parent, rect);
    if (!window) return "error no child made (the parent must be a window made here)";
    return WindowAnswer("window", window);
}

std::string HostCommands::Close(const std::vector<std::string>& words) {
    HWND window = nullptr;
    if (words.size() != 2 || !ParseWindow(words[1], window)) return "error usage: close HWND";
    return m_windows.Close(window) ? "closed" : "error not a window made here";
}

// "mirror [SCALE]": at a whole SCALE, the native windows where a JVM at that scale puts them (the
// bounds times SCALE, device pixels on a monitor at the origin).
std::vector<std::string> HostCommands::Mirror(const std::vector<std::string>& words) {
    int scale = 1;
    if (words.size() == 2 && !(std::istringstream(words[1]) >> scale && scale >= 1 && scale <= 4))
        return {"error usage: mirror [SCALE], SCALE 1 to 4"};
    std::vector<JavaWindow> javaWindows;
    const HRESULT hr = ListJavaTopLevelWindows(m_main, javaWindows);
    if (FAILED(hr)) return {"error the Java windows were not listed: " + HresultText(hr)};
    std::vector<std::string> answer;
    for (const JavaWindow& javaWindow : javaWindows) {
        const WindowRect& b = javaWindow.bounds;
        // A Java window of no size has no native window to show it.
        if (b.width <= 0 || b.height <= 0) continue;
        const WindowRect r{b.x * scale, b.y * scale, b.width * scale, b.height * scale};
        const HWND window = m_windows.CreateTopLevel(r, javaWindow.title);
        if (!window) return {"error the window was not made"};
        answer.push_back(WindowAnswer("mirror", window) + " " + std::to_string(r.x) + " " + std::to_string(r.y) +
                         " " + std::to_string(r.width) + " " + std::to_string(r.height));
    }
    answer.push_back("mirror done");
    return answer;
}

std::string HostCommands::References() {
    MvJniProxyCounters counters{};
    MvJniProxy_GetCounters(&counters);
    return "refs " + std::to_string(counters.globalRefsMade - counters.globalRefsDeleted);
}

// Requests count every message to the JNI server, the attach and detach messages included.
std::string HostCommands::Counters() {
    MvJniProxyCounters counters{};
    MvJniProxy_GetCounters(&counters);
    return "counters " + std::to_string(counters.calls) + " " + std::to_string(counters.attaches) + " " +
           std::to_string(counters.detaches);
}

// Measured where the module's calls run (a thread of this process that no Java code attached),
// so that the benchmark's floors use this host's prices: each the median of several batches, as
// other programs share the cores. ExceptionCheck stands for a request: the server answers it
// without work.
std::string HostCommands::Prices() {
    constexpr int kBatches = 5, kAttaches = 10, kRequests = 50;
    JavaVM* vm = MvJniProxy_GetJavaVM();
    if (!vm) return "error no JNI server runs";
    std::vector<double> attachUs, requestUs;
    std::thread([&] {
        LARGE_INTEGER frequency, begin, end;
        ::QueryPerformanceFrequency(&frequency);
        const auto since = [&](int count) {
            ::QueryPerformanceCounter(&end);
            return 1e6 * static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart) /
                   count;
        };
        void* env = nullptr;
        for (int batch = 0; batch < kBatches; ++batch) {
            ::QueryPerformanceCounter(&begin);
            for (int i = 0; i < kAttaches; ++i)
                if (vm->AttachCurrentThread(&env, nullptr) != JNI_OK || vm->DetachCurrentThread() != JNI_OK) return;
            attachUs.push_back(since(kAttaches));
        }
        if (vm->AttachCurrentThread(&env, nullptr) != JNI_OK) return;
        for (int batch = 0; batch < kBatches; ++batch) {
            ::QueryPerformanceCounter(&begin);
            for (int i = 0; i < kRequests; ++i) static_cast<JNIEnv*>(env)->ExceptionCheck();
            requestUs.push_back(since(kRequests));
        }
        vm->DetachCurrentThread();
    }).join();
    if (attachUs.size() != kBatches || requestUs.size() != kBatches) return "error the thread could not attach";
    std::sort(attachUs.begin(), attachUs.end());
    std::sort(requestUs.begin(), requestUs.end());
    char answer[64];
    std::snprintf(answer, sizeof answer, "prices %.1f %.1f", attachUs[kBatches / 2], requestUs[kBatches / 2]);
    return answer;
}

std::string HostCommands::JniServer() {
    const unsigned pid = MvJniProxy_ServerPid();
    if (pid == 0) return "error no JNI server runs";
    return "jni-server " + std::to_string(pid);
}

}  // namespace mv::host
