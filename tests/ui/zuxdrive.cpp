// zuxdrive: drives the windows of our programs from outside, for tests under
// Wine. Commands come from the arguments (separated by ";") or, without
// arguments, from the standard input, one a line. The first failing command
// ends the run with exit code 1; everything it reads is printed to stdout.
//
//   window SPEC [MS]       wait (at most MS, default 10000) for a visible top-level
//                          window whose component name or class is SPEC; it becomes
//                          the current window
//   gone [MS]              wait until the current window is gone or hidden
//   list                   the controls: name, class, x y w h (client pixels of the
//                          window), visible, enabled, text
//   click NAME             presses a button (posted: a dialog it opens does not block)
//   clickat NAME X Y       a left click at client pixel X Y of the control
//   type NAME TEXT         sets an edit's text (with its change notification)
//   tick NAME 0|1          ticks or unticks a check box or radio button
//   select NAME INDEX      selects an item of a combo box
//   chars NAME TEXT        posts TEXT as typed characters to the control
//   get text|enabled|visible|checked|readonly|focused|rect|client|dpi|selected|class NAME
//                          (NAME "." is the window itself)
//   expect text|enabled|visible|checked|selected NAME VALUE
//   waitfor text|enabled|visible|checked NAME VALUE [MS]
//   key ENTER|ESCAPE|TAB|SHIFT+TAB|ALT+X   to the focused control of the window
//   close                  asks the window to close (WM_CLOSE)
//   shot FILE.png          a PNG of the window as it is on the screen
//   launch SPEC MS PROGRAM [ARGS]  starts PROGRAM, waits (at most MS) for its first
//                          visible top-level window SPEC, prints "first-window-ms N"
//                          (from the start of the process), and makes it current
//   sleep MS
#include "ZUX/UI/Gdi.h"
#include "ZUX/UI/Image.h"
#include "ZUX/UI/Window.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

using namespace ZUX;

namespace {

std::string Utf8(const String& s) {
    return ToUtf8(s);
}
String Wide(const std::string& s) {
    return FromUtf8(s);
}

HWND current = nullptr;

struct TFound {
    HWND window = nullptr;
    String spec;
};

bool Matches(HWND window, const String& spec) {
    if (TZUXWindow::ReadComponentName(window) == spec) return true;
    wchar_t cls[256];
    const int n = GetClassNameW(window, cls, 256);
    return FromWStr(cls, size_t(n)) == spec;
}

BOOL CALLBACK FindTopLevel(HWND window, LPARAM data) {
    auto* found = reinterpret_cast<TFound*>(data);
    if (IsWindowVisible(window) && Matches(window, found->spec)) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

struct TChildSearch {
    String name;
    HWND window = nullptr;
};

BOOL CALLBACK FindChild(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TChildSearch*>(data);
    if (TZUXWindow::ReadComponentName(window) == search->name) {
        search->window = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM data) {
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    return TRUE;
}

String ClassOf(HWND window) {
    wchar_t cls[256];
    const int n = GetClassNameW(window, cls, 256);
    return FromWStr(cls, size_t(n < 0 ? 0 : n));
}

// Cross-process window text, with a bound on the wait.
String TextOf(HWND window) {
    const String cls = ClassOf(window);
    DWORD_PTR result = 0;
    if (cls == u"ComboBoxEx32" || cls == u"ComboBox") {
        if (!SendMessageTimeoutW(window, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) ||
            LRESULT(result) < 0)
            return {};
        const WPARAM index = result;
        wchar_t buffer[1024] = {};
        SendMessageTimeoutW(window, CB_GETLBTEXT, index, LPARAM(buffer), SMTO_ABORTIFHUNG, 5000,
                            &result);
        return FromWStr(buffer);
    }
    std::vector<wchar_t> buffer(65536);
    if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), LPARAM(buffer.data()),
                             SMTO_ABORTIFHUNG, 5000, &result))
        return {};
    return FromWStr(buffer.data(), size_t(result));
}

RECT RectOf(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    POINT origin{0, 0};
    ClientToScreen(current, &origin);
    OffsetRect(&r, -origin.x, -origin.y);
    return r;
}

bool Checked(HWND window) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    return result == BST_CHECKED;
}

// The control that has the keyboard focus in the current window's thread.
HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus) return info.hwndFocus;
    return window;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

UINT DpiOf(HWND window) {
    const auto fn = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return fn ? fn(window) : 96;
}

std::string Property(const std::string& what, HWND window) {
    if (what == "text") return Utf8(TextOf(window));
    if (what == "enabled") return IsWindowEnabled(window) ? "1" : "0";
    if (what == "visible") return IsWindowVisible(window) ? "1" : "0";
    if (what == "checked") return Checked(window) ? "1" : "0";
    if (what == "readonly") return (GetWindowLongPtrW(window, GWL_STYLE) & ES_READONLY) ? "1" : "0";
    if (what == "focused") return FocusOf(current) == window ? "1" : "0";
    if (what == "dpi") return std::to_string(DpiOf(window));
    if (what == "class") return Utf8(ClassOf(window));
    if (what == "selected") {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(window, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
        return std::to_string(LRESULT(result));
    }
    if (what == "client") {
        RECT r;
        GetClientRect(window, &r);
        return std::to_string(r.right) + " " + std::to_string(r.bottom);
    }
    if (what == "rect") {
        const RECT r = RectOf(window);
        return std::to_string(r.left) + " " + std::to_string(r.top) + " " +
               std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top);
    }
    throw std::runtime_error("unknown property " + what);
}

HWND Control(const std::string& name) {
    if (!current) throw std::runtime_error("no current window");
    if (name == ".") return current;
    TChildSearch search{Wide(name)};
    EnumChildWindows(current, FindChild, LPARAM(&search));
    if (!search.window) throw std::runtime_error("no control named " + name);
    return search.window;
}

void PostKey(HWND target, UINT vk, bool shift) {
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    if (shift) PostMessageW(target, WM_KEYDOWN, VK_SHIFT, 1);
    PostMessageW(target, WM_KEYDOWN, vk, LPARAM(1 | (scan << 16)));
    PostMessageW(target, WM_KEYUP, vk, LPARAM(1 | (scan << 16) | (3u << 30)));
    if (shift) PostMessageW(target, WM_KEYUP, VK_SHIFT, LPARAM(1 | (3u << 30)));
}

// Waits until the window's thread has handled what was posted to it.
void Settle(HWND window) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    Sleep(50);
}

bool Shot(HWND window, const String& file) {
    RECT r;
    GetWindowRect(window, &r);
    TZUXPixels pixels;
    pixels.Width = UINT(r.right - r.left);
    pixels.Height = UINT(r.bottom - r.top);
    if (!pixels.Width || !pixels.Height) return false;
    pixels.Data.resize(size_t(pixels.Width) * pixels.Height * 4);
    const HDC screen = GetDC(nullptr);
    const TZUXMemoryDC memory(CreateCompatibleDC(screen));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader,
                      LONG(pixels.Width),
                      -LONG(pixels.Height),
                      1,
                      32,
                      BI_RGB,
                      0,
                      0,
                      0,
                      0,
                      0};
    void* bits = nullptr;
    const TZUXBitmapHandle bitmap(
        CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    {
        const TZUXSelectObject select(memory.Get(), bitmap.Get());
        BitBlt(memory.Get(), 0, 0, int(pixels.Width), int(pixels.Height), screen, r.left, r.top,
               SRCCOPY);
        GdiFlush();
    }
    ReleaseDC(nullptr, screen);
    if (!bits) return false;
    std::memcpy(pixels.Data.data(), bits, pixels.Data.size());
    for (size_t i = 3; i < pixels.Data.size(); i += 4) pixels.Data[i] = 0xFF;
    return SavePixelsAsPng(pixels, file);
}

template <typename F> bool WaitUntil(int ms, F condition, DWORD step = 50) {
    const ULONGLONG end = GetTickCount64() + ULONGLONG(ms);
    while (!condition()) {
        if (GetTickCount64() >= end) return false;
        Sleep(step);
    }
    return true;
}

HWND FindVisible(const String& spec) {
    TFound found{nullptr, spec};
    EnumWindows(FindTopLevel, LPARAM(&found));
    return found.window;
}

std::vector<std::string> Split(const std::string& line) {
    // Words separated by blanks; the rest of the line after the last expected
    // word is one word, so texts may contain blanks.
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string word;
    while (in >> word) words.push_back(word);
    return words;
}

// The words of a command, the last one taking the rest of the line.
std::vector<std::string> Words(const std::string& line, size_t count) {
    std::vector<std::string> words;
    size_t pos = 0;
    while (words.size() + 1 < count) {
        pos = line.find_first_not_of(' ', pos);
        if (pos == std::string::npos) return words;
        const size_t end = line.find(' ', pos);
        words.push_back(line.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        if (end == std::string::npos) return words;
        pos = end;
    }
    pos = line.find_first_not_of(' ', pos);
    words.push_back(pos == std::string::npos ? std::string() : line.substr(pos));
    return words;
}

void Run(const std::string& line) {
    const std::vector<std::string> w = Split(line);
    if (w.empty() || w[0][0] == '#') return;
    const std::string& cmd = w[0];
    const auto need = [&](size_t n) {
        if (w.size() < n) throw std::runtime_error("too few arguments");
    };
    if (cmd == "window") {
        need(2);
        const int ms = w.size() > 2 ? std::stoi(w[2]) : 10000;
        const String spec = Wide(w[1]);
        HWND window = nullptr;
        if (!WaitUntil(ms, [&] { return (window = FindVisible(spec)) != nullptr; }))
            throw std::runtime_error("no window " + w[1]);
        current = window;
        Settle(current);
    } else if (cmd == "gone") {
        const int ms = w.size() > 1 ? std::stoi(w[1]) : 10000;
        if (!WaitUntil(ms, [] { return !IsWindow(current) || !IsWindowVisible(current); }))
            throw std::runtime_error("the window is still there");
    } else if (cmd == "list") {
        std::vector<HWND> children;
        EnumChildWindows(current, CollectChild, LPARAM(&children));
        for (HWND child : children) {
            const String name = TZUXWindow::ReadComponentName(child);
            if (name.empty()) continue;
            std::printf("%s\t%s\t%s\t%s\t%s\t%s\n", Utf8(name).c_str(),
                        Utf8(ClassOf(child)).c_str(), Property("rect", child).c_str(),
                        IsWindowVisible(child) ? "1" : "0", IsWindowEnabled(child) ? "1" : "0",
                        Utf8(TextOf(child)).c_str());
        }
    } else if (cmd == "click") {
        need(2);
        PostMessageW(Control(w[1]), BM_CLICK, 0, 0);
        Settle(current);
    } else if (cmd == "clickat") {
        need(4);
        const HWND control = Control(w[1]);
        const LPARAM at = MAKELPARAM(std::stoi(w[2]), std::stoi(w[3]));
        PostMessageW(control, WM_MOUSEMOVE, 0, at);
        PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(control, WM_LBUTTONUP, 0, at);
        Settle(current);
    } else if (cmd == "type") {
        const auto a = Words(line, 3);
        if (a.size() < 3) throw std::runtime_error("too few arguments");
        const String text = Wide(a[2]);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(Control(a[1]), WM_SETTEXT, 0, LPARAM(WStr(text)), SMTO_ABORTIFHUNG,
                            5000, &result);
        Settle(current);
    } else if (cmd == "chars") {
        // Typed as keyboard characters: what a read-only control must refuse.
        const auto a = Words(line, 3);
        if (a.size() < 3) throw std::runtime_error("too few arguments");
        const HWND control = Control(a[1]);
        for (const char16_t c : Wide(a[2])) PostMessageW(control, WM_CHAR, WPARAM(c), 1);
        Settle(current);
    } else if (cmd == "tick") {
        need(3);
        const HWND control = Control(w[1]);
        const bool want = w[2] == "1";
        if (Checked(control) != want) PostMessageW(control, BM_CLICK, 0, 0);
        Settle(current);
        if (Checked(control) != want) throw std::runtime_error("cannot tick " + w[1]);
    } else if (cmd == "select") {
        need(3);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(Control(w[1]), CB_SETCURSEL, WPARAM(std::stoi(w[2])), 0,
                            SMTO_ABORTIFHUNG, 5000, &result);
    } else if (cmd == "get") {
        need(3);
        std::printf("%s\n", Property(w[1], Control(w[2])).c_str());
    } else if (cmd == "expect" || cmd == "waitfor") {
        auto a = Words(line, 4);
        if (a.size() == 3) a.emplace_back(); // an empty value
        if (a.size() < 4) throw std::runtime_error("too few arguments");
        std::string value = a[3];
        int ms = 0;
        if (cmd == "waitfor") {
            const size_t space = value.rfind(' ');
            if (space != std::string::npos &&
                value.find_first_not_of("0123456789", space + 1) == std::string::npos) {
                ms = std::stoi(value.substr(space + 1));
                value.resize(space);
            } else {
                ms = 10000;
            }
        }
        std::string actual;
        const bool ok = WaitUntil(ms, [&] {
            actual = Property(a[1], Control(a[2]));
            return actual == value;
        });
        if (!ok)
            throw std::runtime_error(a[1] + " of " + a[2] + " is \"" + actual + "\", not \"" +
                                     value + "\"");
    } else if (cmd == "key") {
        need(2);
        const HWND focus = FocusOf(current);
        std::string key = w[1];
        for (char& c : key) c = char(toupper(static_cast<unsigned char>(c)));
        if (key == "ENTER")
            PostKey(focus, VK_RETURN, false);
        else if (key == "ESCAPE")
            PostKey(focus, VK_ESCAPE, false);
        else if (key == "TAB")
            PostKey(focus, VK_TAB, false);
        else if (key == "SHIFT+TAB")
            PostKey(focus, VK_TAB, true);
        else if (key.size() == 5 && key.rfind("ALT+", 0) == 0) {
            const wchar_t letter = wchar_t(tolower(key[4]));
            PostMessageW(focus, WM_SYSCHAR, WPARAM(letter), LPARAM(1 | (1u << 29)));
        } else
            throw std::runtime_error("unknown key " + w[1]);
        Settle(current);
    } else if (cmd == "close") {
        PostMessageW(current, WM_CLOSE, 0, 0);
        Settle(current);
    } else if (cmd == "shot") {
        need(2);
        const auto a = Words(line, 2);
        SetForegroundWindow(current);
        Settle(current);
        if (!Shot(current, Wide(a[1]))) throw std::runtime_error("cannot save " + a[1]);
    } else if (cmd == "launch") {
        const auto a = Words(line, 4);
        if (a.size() < 4) throw std::runtime_error("too few arguments");
        String commandLine = Wide(a[3]);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        LARGE_INTEGER frequency, start, now;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        if (!CreateProcessW(nullptr, const_cast<wchar_t*>(WStr(commandLine)), nullptr, nullptr,
                            FALSE, 0, nullptr, nullptr, &startup, &process))
            throw std::runtime_error("cannot start " + a[3]);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        const String spec = Wide(a[1]);
        HWND window = nullptr;
        if (!WaitUntil(
                std::stoi(a[2]), [&] { return (window = FindVisible(spec)) != nullptr; }, 1))
            throw std::runtime_error("no window " + a[1]);
        QueryPerformanceCounter(&now);
        std::printf("first-window-ms %.1f\n",
                    double(now.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart));
        current = window;
        Settle(current);
    } else if (cmd == "sleep") {
        need(2);
        Sleep(DWORD(std::stoi(w[1])));
    } else {
        throw std::runtime_error("unknown command " + cmd);
    }
}

} // namespace

// Rectangles and DPIs of other processes' windows as they are, unscaled.
void BecomeDpiAware() {
    using SetContextFn = BOOL(WINAPI*)(HANDLE);
    const auto set = reinterpret_cast<SetContextFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    if (!set || !set(reinterpret_cast<HANDLE>(-4))) SetProcessDPIAware();
}

int main(int argc, char** argv) {
    BecomeDpiAware();
    std::vector<std::string> lines;
    if (argc > 1) {
        std::string all;
        for (int i = 1; i < argc; ++i) all += (i > 1 ? " " : "") + std::string(argv[i]);
        std::string line;
        std::istringstream in(all);
        while (std::getline(in, line, ';')) lines.push_back(line);
    } else {
        std::string line;
        while (std::getline(std::cin, line)) lines.push_back(line);
    }
    for (std::string& line : lines) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        while (!line.empty() && line.front() == ' ') line.erase(0, 1);
        try {
            Run(line);
        } catch (const std::exception& e) {
            std::printf("FAIL: %s: %s\n", line.c_str(), e.what());
            std::fflush(stdout);
            return 1;
        }
        std::fflush(stdout);
    }
    return 0;
}
