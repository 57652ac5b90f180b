// zuxdrive: the UI driver. It finds the windows of our programs from outside
// and works them, for the UI and the wizard's end-to-end tests under Wine.
// Commands come from the arguments (separated by ";" or line breaks) or,
// without arguments, from the standard input, one a line; words are separated
// by blanks and the last word of a command takes the rest of the line, so
// texts may hold blanks.
// The first failing command ends the run with exit code 1; everything read is
// printed to stdout.
//
// A top-level window is found by its component name or its window class and
// becomes the current window; controls are found inside it by component name.
// NAME may be a path, "PageSetup/CB1" (CB1 inside PageSetup), and an element
// "#CLASS" matches a window class ("PageAddons/#RichEdit50W"); "." is the
// current window itself. Visible controls are preferred over hidden ones.
// Every wait is bounded (default 20000 ms).
//
//   window SPEC [MS]       wait for a visible top-level window SPEC; it becomes current
//   gone [MS]              wait until the current window is gone or hidden
//   list                   the controls: name, class, x y w h (client pixels of the
//                          window), visible, enabled, text
//   wait NAME [MS]         wait for a visible control NAME
//   waitgone NAME [MS]     wait until no control NAME is visible
//   absent NAME            no control NAME exists, visible or not
//   click NAME             presses a button (posted: a box it opens does not block).
//                          In a wizard, a click on bNext or bBack prints
//                          "page OLD -> NEW: shown after X ms, idle after Y ms": from
//                          the click until the new page is visible, and until the
//                          window's thread is done with the click
//   clickat NAME X Y       a left click at client pixel X Y of the control
//   type NAME TEXT         sets an edit's text (with its change notification)
//   chars NAME TEXT        posts TEXT as typed characters to the control
//   tick NAME 0|1          ticks or unticks a check box or radio button
//   select NAME INDEX|TEXT selects an item of a combo box by index or by its text
//   get PROPERTY NAME      prints text, enabled, visible, checked, readonly, focused,
//                          rect, client, dpi, selected or class
//   expect PROPERTY NAME VALUE         the property equals VALUE (text, enabled,
//                          visible, checked, selected, ...: 1 or 0 for states)
//   waitfor PROPERTY NAME VALUE [MS]   wait until it does
//   contains NAME TEXT [MS]            its text contains TEXT (waits at most MS)
//   lacks NAME TEXT        its text does not contain TEXT
//   key KEY                ENTER, ESCAPE, TAB, SHIFT+TAB, SPACE, LEFT, RIGHT, UP, DOWN
//                          or ALT+X to the focused control of the current window
//   close                  asks the current window to close (WM_CLOSE)
//   sysclose               the system menu's Close (what Alt+F4 sends)
//   shot FILE.png          a PNG of the current window as it is on the screen
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

constexpr int kDefaultWait = 20000;
// How long a click on Next or Back is watched for the page to change.
constexpr int kPageChangeBound = 5000;

std::string Utf8(const String& s) {
    return ToUtf8(s);
}
String Wide(const std::string& s) {
    return FromUtf8(s);
}

String ClassOf(HWND window) {
    wchar_t cls[256];
    const int n = GetClassNameW(window, cls, 256);
    return FromWStr(cls, size_t(n < 0 ? 0 : n));
}

bool SameClass(HWND window, const String& cls) {
    return CompareStringOrdinal(WStr(ClassOf(window)), -1, WStr(cls), -1, TRUE) == CSTR_EQUAL;
}

// A path element: a component name, or "#CLASS".
bool Matches(HWND window, const String& element) {
    if (!element.empty() && element[0] == u'#') return SameClass(window, element.substr(1));
    return TZUXWindow::ReadComponentName(window) == element;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM data) {
            reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
            return TRUE;
        },
        LPARAM(&all));
    return all;
}

std::vector<String> SplitPath(const String& name) {
    std::vector<String> path;
    size_t start = 0;
    for (;;) {
        const size_t slash = name.find(u'/', start);
        path.push_back(name.substr(start, slash == String::npos ? String::npos : slash - start));
        if (slash == String::npos) return path;
        start = slash + 1;
    }
}

HWND FindIn(HWND scope, const std::vector<String>& path, size_t level, bool visibleOnly) {
    for (HWND window : Descendants(scope)) {
        if (visibleOnly && !IsWindowVisible(window)) continue;
        if (!Matches(window, path[level])) continue;
        if (level + 1 == path.size()) return window;
        if (HWND found = FindIn(window, path, level + 1, visibleOnly)) return found;
    }
    return nullptr;
}

HWND FindTopLevel(const String& spec) {
    struct TFind {
        String spec;
        HWND window = nullptr;
    } find{spec};
    EnumWindows(
        [](HWND window, LPARAM data) {
            auto* f = reinterpret_cast<TFind*>(data);
            if (!IsWindowVisible(window)) return TRUE;
            if (TZUXWindow::ReadComponentName(window) != f->spec && ClassOf(window) != f->spec)
                return TRUE;
            f->window = window;
            return FALSE;
        },
        LPARAM(&find));
    return find.window;
}

// Cross-process window text, with a bound on the wait.
String TextOf(HWND window) {
    DWORD_PTR result = 0;
    if (SameClass(window, u"ComboBoxEx32") || SameClass(window, u"ComboBox")) {
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

bool Checked(HWND window) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    return result == BST_CHECKED;
}

// The control that has the keyboard focus in the window's thread.
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

void PostKey(HWND target, UINT vk, bool shift) {
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    if (shift) PostMessageW(target, WM_KEYDOWN, VK_SHIFT, 1);
    PostMessageW(target, WM_KEYDOWN, vk, LPARAM(1 | (scan << 16)));
    PostMessageW(target, WM_KEYUP, vk, LPARAM(1 | (scan << 16) | (3u << 30)));
    if (shift) PostMessageW(target, WM_KEYUP, VK_SHIFT, LPARAM(1 | (3u << 30)));
}

// Waits until the window's thread has handled what was posted to it: a sent
// message is handled as soon as the thread waits for messages, which may be
// before the posted ones; the second comes after the thread has taken them.
void Settle(HWND window) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    Sleep(50);
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
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

// Milliseconds on the performance counter.
class TStopwatch {
public:
    TStopwatch() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    double Ms() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return double(now.QuadPart - start_.QuadPart) * 1000.0 / double(frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_, start_;
};

// The words of a command: blank-separated, the COUNT-th taking the rest of the line.
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

// Splits a trailing number (a bound in ms) off a value; fallback when none.
int TakeBound(std::string& value, int fallback) {
    const size_t space = value.rfind(' ');
    if (space == std::string::npos || space + 1 == value.size() ||
        value.find_first_not_of("0123456789", space + 1) != std::string::npos)
        return fallback;
    const int ms = std::stoi(value.substr(space + 1));
    value.resize(space);
    return ms;
}

int Bound(const std::vector<std::string>& w, size_t index) {
    return w.size() > index ? std::stoi(w[index]) : kDefaultWait;
}

class TDriver {
public:
    void Run(const std::string& line);

private:
    HWND Find(const std::string& name, bool visibleOnly) const;
    HWND Lookup(const std::string& name) const;
    HWND Control(const std::string& name) const;
    std::string Property(const std::string& what, HWND window) const;
    RECT RectOf(HWND window) const;
    HWND VisiblePage() const;
    void ClickAndTimePage(HWND button);
    void MakeCurrent(HWND window);

    HWND current_ = nullptr;
};

HWND TDriver::Find(const std::string& name, bool visibleOnly) const {
    if (!current_) throw std::runtime_error("no current window");
    if (name == ".") return current_;
    return FindIn(current_, SplitPath(Wide(name)), 0, visibleOnly);
}

// A visible control of that name, else a hidden one, else none.
HWND TDriver::Lookup(const std::string& name) const {
    const HWND window = Find(name, true);
    return window ? window : Find(name, false);
}

HWND TDriver::Control(const std::string& name) const {
    const HWND window = Lookup(name);
    if (!window) throw std::runtime_error("no control named " + name);
    return window;
}

RECT TDriver::RectOf(HWND window) const {
    RECT r;
    GetWindowRect(window, &r);
    POINT origin{0, 0};
    ClientToScreen(current_, &origin);
    OffsetRect(&r, -origin.x, -origin.y);
    return r;
}

std::string TDriver::Property(const std::string& what, HWND window) const {
    if (what == "text") return Utf8(TextOf(window));
    if (what == "enabled") return IsWindowEnabled(window) ? "1" : "0";
    if (what == "visible") return IsWindowVisible(window) ? "1" : "0";
    if (what == "checked") return Checked(window) ? "1" : "0";
    if (what == "readonly") return (GetWindowLongPtrW(window, GWL_STYLE) & ES_READONLY) ? "1" : "0";
    if (what == "focused") return FocusOf(current_) == window ? "1" : "0";
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

// The wizard's page on show: the visible control whose name begins with "Page".
HWND TDriver::VisiblePage() const {
    for (HWND window : Descendants(current_))
        if (IsWindowVisible(window) && TZUXWindow::ReadComponentName(window).starts_with(u"Page"))
            return window;
    return nullptr;
}

// Clicks Next or Back and watches, every millisecond, for the page to change.
// A box the click opens disables the window, and Finish closes it: no figure.
void TDriver::ClickAndTimePage(HWND button) {
    const HWND old = VisiblePage();
    const TStopwatch clock;
    PostMessageW(button, BM_CLICK, 0, 0);
    if (!old) return Settle(current_);
    HWND shown = nullptr;
    WaitUntil(
        kPageChangeBound,
        [&] {
            if (!IsWindow(current_) || !IsWindowVisible(current_) || !IsWindowEnabled(current_))
                return true;
            if (IsWindowVisible(old)) return false;
            shown = VisiblePage();
            return shown != nullptr;
        },
        1);
    const double shownMs = clock.Ms();
    DWORD_PTR result = 0;
    SendMessageTimeoutW(current_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    const double idleMs = clock.Ms();
    if (!IsWindow(current_) || !IsWindowVisible(current_)) return; // Finish
    const std::string from = Utf8(TZUXWindow::ReadComponentName(old));
    if (shown)
        std::printf("page %s -> %s: shown after %.1f ms, idle after %.1f ms\n", from.c_str(),
                    Utf8(TZUXWindow::ReadComponentName(shown)).c_str(), shownMs, idleMs);
    else
        std::printf("page %s: no page change\n", from.c_str());
    Settle(current_);
}

void TDriver::MakeCurrent(HWND window) {
    current_ = window;
    Settle(current_);
}

void TDriver::Run(const std::string& line) {
    const std::vector<std::string> w = Words(line, 1000);
    if (w.empty() || w[0].empty() || w[0][0] == '#') return;
    const std::string& cmd = w[0];
    const auto args = [&](size_t count, size_t least) {
        auto a = Words(line, count);
        if (a.size() < least) throw std::runtime_error("too few arguments");
        return a;
    };
    if (cmd == "window") {
        args(2, 2);
        HWND window = nullptr;
        const String spec = Wide(w[1]);
        if (!WaitUntil(Bound(w, 2), [&] { return (window = FindTopLevel(spec)) != nullptr; }))
            throw std::runtime_error("no window " + w[1]);
        MakeCurrent(window);
    } else if (cmd == "gone") {
        if (!WaitUntil(Bound(w, 1),
                       [&] { return !IsWindow(current_) || !IsWindowVisible(current_); }))
            throw std::runtime_error("the window is still there");
    } else if (cmd == "list") {
        for (HWND child : Descendants(current_)) {
            const String name = TZUXWindow::ReadComponentName(child);
            if (name.empty()) continue;
            std::printf("%s\t%s\t%s\t%s\t%s\t%s\n", Utf8(name).c_str(),
                        Utf8(ClassOf(child)).c_str(), Property("rect", child).c_str(),
                        IsWindowVisible(child) ? "1" : "0", IsWindowEnabled(child) ? "1" : "0",
                        Utf8(TextOf(child)).c_str());
        }
    } else if (cmd == "wait" || cmd == "waitgone") {
        args(2, 2);
        const bool want = cmd == "wait";
        if (!WaitUntil(Bound(w, 2), [&] { return (Find(w[1], true) != nullptr) == want; }))
            throw std::runtime_error(want ? "no visible " + w[1] : w[1] + " is still visible");
    } else if (cmd == "absent") {
        args(2, 2);
        if (Find(w[1], false)) throw std::runtime_error(w[1] + " exists");
    } else if (cmd == "click") {
        args(2, 2);
        const HWND button = Control(w[1]);
        if (w[1] == "bNext" || w[1] == "bBack") return ClickAndTimePage(button);
        PostMessageW(button, BM_CLICK, 0, 0);
        Settle(current_);
    } else if (cmd == "clickat") {
        args(4, 4);
        const HWND control = Control(w[1]);
        const LPARAM at = MAKELPARAM(std::stoi(w[2]), std::stoi(w[3]));
        PostMessageW(control, WM_MOUSEMOVE, 0, at);
        PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(control, WM_LBUTTONUP, 0, at);
        Settle(current_);
    } else if (cmd == "type") {
        const auto a = args(3, 3);
        const String text = Wide(a[2]);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(Control(a[1]), WM_SETTEXT, 0, LPARAM(WStr(text)), SMTO_ABORTIFHUNG,
                            5000, &result);
        Settle(current_);
    } else if (cmd == "chars") {
        // Typed as keyboard characters: what a read-only control must refuse.
        const auto a = args(3, 3);
        const HWND control = Control(a[1]);
        for (const char16_t c : Wide(a[2])) PostMessageW(control, WM_CHAR, WPARAM(c), 1);
        Settle(current_);
    } else if (cmd == "tick") {
        args(3, 3);
        const HWND control = Control(w[1]);
        const bool want = w[2] == "1";
        if (Checked(control) != want) PostMessageW(control, BM_CLICK, 0, 0);
        Settle(current_);
        if (Checked(control) != want) throw std::runtime_error("cannot tick " + w[1]);
    } else if (cmd == "select") {
        const auto a = args(3, 3);
        const HWND combo = Control(a[1]);
        DWORD_PTR index = 0;
        if (a[2].find_first_not_of("0123456789") == std::string::npos) {
            index = DWORD_PTR(std::stoi(a[2]));
        } else {
            const String item = Wide(a[2]);
            DWORD_PTR count = 0;
            SendMessageTimeoutW(combo, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count);
            for (index = 0; index < count; ++index) {
                wchar_t text[1024] = {};
                DWORD_PTR length = 0;
                SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, index, 0, SMTO_ABORTIFHUNG, 5000,
                                    &length);
                if (length >= 1024) continue;
                SendMessageTimeoutW(combo, CB_GETLBTEXT, index, LPARAM(text), SMTO_ABORTIFHUNG,
                                    5000, &length);
                if (FromWStr(text) == item) break;
            }
            if (index == count) throw std::runtime_error("no item " + a[2]);
        }
        DWORD_PTR result = 0;
        SendMessageTimeoutW(combo, CB_SETCURSEL, index, 0, SMTO_ABORTIFHUNG, 5000, &result);
        if (LRESULT(result) == CB_ERR) throw std::runtime_error("no item " + a[2]);
    } else if (cmd == "get") {
        args(3, 3);
        std::printf("%s\n", Property(w[1], Control(w[2])).c_str());
    } else if (cmd == "expect" || cmd == "waitfor") {
        auto a = args(4, 3);
        if (a.size() == 3) a.emplace_back(); // an empty value
        std::string value = a[3];
        const int ms = cmd == "waitfor" ? TakeBound(value, kDefaultWait) : 0;
        std::string actual = "(none)";
        const bool ok = WaitUntil(ms, [&] {
            // While waiting, a control that is not there yet is no failure.
            const HWND control = ms ? Lookup(a[2]) : Control(a[2]);
            if (control) actual = Property(a[1], control);
            return control && actual == value;
        });
        if (!ok)
            throw std::runtime_error(a[1] + " of " + a[2] + " is \"" + actual + "\", not \"" +
                                     value + "\"");
    } else if (cmd == "contains" || cmd == "lacks") {
        auto a = args(3, 3);
        std::string value = a[2];
        const bool want = cmd == "contains";
        const int ms = want ? TakeBound(value, 0) : 0;
        const String part = Wide(value);
        String text;
        const bool ok = WaitUntil(ms, [&] {
            text = TextOf(Control(a[1]));
            return (text.find(part) != String::npos) == want;
        });
        if (!ok) throw std::runtime_error("text of " + a[1] + " is \"" + Utf8(text) + "\"");
    } else if (cmd == "key") {
        args(2, 2);
        const HWND focus = FocusOf(current_);
        std::string key = w[1];
        for (char& c : key) c = char(toupper(static_cast<unsigned char>(c)));
        static const struct {
            const char* name;
            UINT vk;
            bool shift;
        } keys[] = {
            {"ENTER", VK_RETURN, false}, {"ESCAPE", VK_ESCAPE, false}, {"TAB", VK_TAB, false},
            {"SHIFT+TAB", VK_TAB, true}, {"SPACE", VK_SPACE, false},   {"LEFT", VK_LEFT, false},
            {"RIGHT", VK_RIGHT, false},  {"UP", VK_UP, false},         {"DOWN", VK_DOWN, false}};
        bool known = false;
        for (const auto& k : keys)
            if (key == k.name) {
                PostKey(focus, k.vk, k.shift);
                known = true;
            }
        if (!known && key.size() == 5 && key.starts_with("ALT+")) {
            const wchar_t letter = wchar_t(tolower(key[4]));
            PostMessageW(focus, WM_SYSCHAR, WPARAM(letter), LPARAM(1 | (1u << 29)));
            known = true;
        }
        if (!known) throw std::runtime_error("unknown key " + w[1]);
        Settle(current_);
    } else if (cmd == "close") {
        PostMessageW(current_, WM_CLOSE, 0, 0);
        Settle(current_);
    } else if (cmd == "sysclose") {
        PostMessageW(current_, WM_SYSCOMMAND, SC_CLOSE, 0);
        Settle(current_);
    } else if (cmd == "shot") {
        const auto a = args(2, 2);
        SetForegroundWindow(current_);
        Settle(current_);
        if (!Shot(current_, Wide(a[1]))) throw std::runtime_error("cannot save " + a[1]);
    } else if (cmd == "launch") {
        const auto a = args(4, 4);
        String commandLine = Wide(a[3]);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        const TStopwatch clock;
        if (!CreateProcessW(nullptr, const_cast<wchar_t*>(WStr(commandLine)), nullptr, nullptr,
                            FALSE, 0, nullptr, nullptr, &startup, &process))
            throw std::runtime_error("cannot start " + a[3]);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        const String spec = Wide(a[1]);
        HWND window = nullptr;
        if (!WaitUntil(
                std::stoi(a[2]), [&] { return (window = FindTopLevel(spec)) != nullptr; }, 1))
            throw std::runtime_error("no window " + a[1]);
        std::printf("first-window-ms %.1f\n", clock.Ms());
        MakeCurrent(window);
    } else if (cmd == "sleep") {
        args(2, 2);
        Sleep(DWORD(std::stoi(w[1])));
    } else {
        throw std::runtime_error("unknown command " + cmd);
    }
}

// Rectangles and DPIs of other processes' windows as they are, unscaled.
void BecomeDpiAware() {
    using SetContextFn = BOOL(WINAPI*)(HANDLE);
    const auto set = reinterpret_cast<SetContextFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    if (!set || !set(reinterpret_cast<HANDLE>(-4))) SetProcessDPIAware();
}

} // namespace

int main(int argc, char** argv) {
    BecomeDpiAware();
    std::vector<std::string> lines;
    if (argc > 1) {
        std::string all;
        for (int i = 1; i < argc; ++i) all += (i > 1 ? " " : "") + std::string(argv[i]);
        for (char& c : all)
            if (c == '\n') c = ';';
        std::string line;
        std::istringstream in(all);
        while (std::getline(in, line, ';')) lines.push_back(line);
    } else {
        std::string line;
        while (std::getline(std::cin, line)) lines.push_back(line);
    }
    TDriver driver;
    for (std::string& line : lines) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        while (!line.empty() && line.front() == ' ') line.erase(0, 1);
        try {
            driver.Run(line);
        } catch (const std::exception& e) {
            std::printf("FAIL: %s: %s\n", line.c_str(), e.what());
            std::fflush(stdout);
            return 1;
        }
        std::fflush(stdout);
    }
    return 0;
}
