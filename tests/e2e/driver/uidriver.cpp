// A small driver of the wizard for end-to-end tests: reads commands from
// standard input, one a line, fields separated by tabs, and finds controls
// by their component name ("PageSetup/CB1": a control inside a named page;
// "#RichEdit50W": a control of that window class).
// Every wait is bounded; the first failing command ends the run with code 1.
//
//   wait NAME [ms]            a visible control of that name exists
//   waitgone NAME [ms]        no visible control of that name exists
//   absent NAME               no control of that name exists, visible or not
//   waittext NAME TEXT [ms]   its text contains TEXT
//   click NAME                press a button, check box or radio button
//   settext NAME TEXT         set an edit box's text (as typing would)
//   select NAME TEXT          select the combo box item with that text (#N: index N)
//   expect NAME PROPERTY      visible, hidden, enabled, disabled, checked, unchecked
//   expecttext NAME TEXT      its text contains TEXT (expectnotext: does not)
//   close NAME                posts WM_CLOSE to that window
//   sysclose NAME             posts the system menu's Close command to it
//   closeclass CLASS          posts WM_CLOSE to the top-level window of that class
//   print NAME                writes its text
//   answer TITLE BUTTON [ms]  presses BUTTON of a standard dialog titled TITLE
//   key NAME KEY              focuses NAME's window and sends TAB, SPACE, ENTER or ESCAPE
//   sleep MS
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kNameProperty = L"ZUX.ComponentName";

std::wstring NameOf(HWND window) {
    const ATOM atom = ATOM(uintptr_t(GetPropW(window, kNameProperty)));
    if (!atom) return {};
    wchar_t buffer[256];
    const UINT n = GlobalGetAtomNameW(atom, buffer, 256);
    return std::wstring(buffer, n);
}

std::wstring TextOf(HWND window) {
    wchar_t buffer[8192];
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 8192, LPARAM(buffer), SMTO_ABORTIFHUNG, 5000, &n))
        return {};
    return std::wstring(buffer, size_t(n));
}

bool Visible(HWND w) {
    return IsWindowVisible(w) != FALSE;
}

struct TSearch {
    std::vector<std::wstring> Path;
    HWND Found = nullptr;
    bool VisibleOnly = true;
};

void SearchIn(HWND parent, size_t level, TSearch& s);

BOOL CALLBACK OnChild(HWND w, LPARAM p) {
    auto& s = *reinterpret_cast<std::pair<TSearch*, size_t>*>(p);
    TSearch& search = *s.first;
    if (search.Found) return FALSE;
    if (GetParent(w) == nullptr) return TRUE;
    if (search.VisibleOnly && !Visible(w)) return TRUE;
    const std::wstring& part = search.Path[s.second];
    bool match;
    if (!part.empty() && part[0] == L'#') {
        wchar_t cls[128];
        GetClassNameW(w, cls, 128);
        match = _wcsicmp(cls, part.c_str() + 1) == 0;
    } else {
        match = NameOf(w) == part;
    }
    if (match) {
        if (s.second + 1 == search.Path.size()) {
            search.Found = w;
            return FALSE;
        }
        SearchIn(w, s.second + 1, search);
    }
    return TRUE;
}

void SearchIn(HWND parent, size_t level, TSearch& s) {
    std::pair<TSearch*, size_t> p{&s, level};
    EnumChildWindows(parent, OnChild, LPARAM(&p));
}

BOOL CALLBACK OnTop(HWND w, LPARAM p) {
    auto& s = *reinterpret_cast<TSearch*>(p);
    if (s.VisibleOnly && !Visible(w)) return TRUE;
    if (NameOf(w) == s.Path[0]) {
        if (s.Path.size() == 1) {
            s.Found = w;
            return FALSE;
        }
        SearchIn(w, 1, s);
        if (s.Found) return FALSE;
    }
    SearchIn(w, 0, s);
    return s.Found ? FALSE : TRUE;
}

HWND Find(const std::wstring& name, bool visibleOnly = true) {
    TSearch s;
    s.VisibleOnly = visibleOnly;
    size_t start = 0;
    for (;;) {
        const size_t slash = name.find(L'/', start);
        s.Path.push_back(name.substr(start, slash - start));
        if (slash == std::wstring::npos) break;
        start = slash + 1;
    }
    EnumWindows(OnTop, LPARAM(&s));
    return s.Found;
}

void Out(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string utf8(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), utf8.data(), n, nullptr,
                        nullptr);
    std::fputs(utf8.c_str(), stdout);
    std::fflush(stdout);
}

std::wstring FromUtf8(const std::string& s) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), int(s.size()), nullptr, 0);
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.c_str(), int(s.size()), w.data(), n);
    return w;
}

template <typename F> bool WaitUntil(DWORD ms, F f) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (f()) return true;
        if (GetTickCount() - start > ms) return false;
        Sleep(50);
    }
}

struct TDialogFind {
    std::wstring Title;
    HWND Found = nullptr;
};

BOOL CALLBACK OnDialog(HWND w, LPARAM p) {
    auto& d = *reinterpret_cast<TDialogFind*>(p);
    wchar_t cls[64];
    GetClassNameW(w, cls, 64);
    if (Visible(w) && lstrcmpW(cls, L"#32770") == 0 && TextOf(w) == d.Title) {
        d.Found = w;
        return FALSE;
    }
    return TRUE;
}

struct TButtonFind {
    std::wstring Text;
    HWND Found = nullptr;
};

BOOL CALLBACK OnButton(HWND w, LPARAM p) {
    auto& b = *reinterpret_cast<TButtonFind*>(p);
    std::wstring text = TextOf(w);
    std::wstring plain;
    for (wchar_t c : text)
        if (c != L'&') plain += c;
    if (plain == b.Text) {
        b.Found = w;
        return FALSE;
    }
    return TRUE;
}

WORD KeyOf(const std::wstring& key) {
    if (key == L"TAB") return VK_TAB;
    if (key == L"SPACE") return VK_SPACE;
    if (key == L"ENTER") return VK_RETURN;
    if (key == L"ESCAPE") return VK_ESCAPE;
    return 0;
}

bool Run(const std::vector<std::wstring>& f) {
    const std::wstring& cmd = f[0];
    auto arg = [&f](size_t i) { return i < f.size() ? f[i] : std::wstring(); };
    auto ms = [&f](size_t i, DWORD def) { return i < f.size() ? DWORD(_wtoi(f[i].c_str())) : def; };
    if (cmd == L"sleep") {
        Sleep(ms(1, 0));
        return true;
    }
    if (cmd == L"wait") return WaitUntil(ms(2, 20000), [&] { return Find(arg(1)) != nullptr; });
    if (cmd == L"waitgone") return WaitUntil(ms(2, 20000), [&] { return Find(arg(1)) == nullptr; });
    if (cmd == L"waittext")
        return WaitUntil(ms(3, 20000), [&] {
            const HWND w = Find(arg(1));
            return w && TextOf(w).find(arg(2)) != std::wstring::npos;
        });
    if (cmd == L"answer") {
        TDialogFind d{arg(1)};
        if (!WaitUntil(ms(3, 20000), [&] {
                d.Found = nullptr;
                EnumWindows(OnDialog, LPARAM(&d));
                return d.Found != nullptr;
            }))
            return false;
        TButtonFind b{arg(2)};
        EnumChildWindows(d.Found, OnButton, LPARAM(&b));
        if (!b.Found) return false;
        PostMessageW(d.Found, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(b.Found), BN_CLICKED),
                     LPARAM(b.Found));
        return true;
    }
    if (cmd == L"closeclass") {
        const HWND top = FindWindowW(arg(1).c_str(), nullptr);
        if (top) PostMessageW(top, WM_CLOSE, 0, 0);
        return top != nullptr;
    }
    if (cmd == L"absent") return Find(arg(1), false) == nullptr;
    const bool any = cmd == L"expect" && arg(2) == L"hidden";
    const HWND w = Find(arg(1), !any);
    if (!w) {
        Out(L"not found: " + arg(1) + L"\n");
        return false;
    }
    if (cmd == L"click") {
        // Posted: the click may open a modal box that this driver answers next.
        PostMessageW(w, BM_CLICK, 0, 0);
        Sleep(150);
        return true;
    }
    if (cmd == L"close") {
        PostMessageW(w, WM_CLOSE, 0, 0);
        Sleep(150);
        return true;
    }
    if (cmd == L"sysclose") {
        // What Alt+F4 and the title bar's close button send.
        PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
        Sleep(300);
        return true;
    }
    if (cmd == L"settext") {
        DWORD_PTR r = 0;
        return SendMessageTimeoutW(w, WM_SETTEXT, 0, LPARAM(arg(2).c_str()), SMTO_ABORTIFHUNG, 5000,
                                   &r) != 0;
    }
    if (cmd == L"select") {
        // The combo box item whose text is TEXT ("#N": at index N) becomes the selection.
        if (arg(2).size() > 1 && arg(2)[0] == L'#') {
            DWORD_PTR r = 0;
            SendMessageTimeoutW(w, CB_SETCURSEL, WPARAM(_wtoi(arg(2).c_str() + 1)), 0,
                                SMTO_ABORTIFHUNG, 5000, &r);
            return r != DWORD_PTR(CB_ERR);
        }
        DWORD_PTR count = 0;
        SendMessageTimeoutW(w, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count);
        for (WPARAM i = 0; i < count; ++i) {
            wchar_t item[256] = {};
            DWORD_PTR length = 0;
            SendMessageTimeoutW(w, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 5000, &length);
            if (length >= 256) continue;
            SendMessageTimeoutW(w, CB_GETLBTEXT, i, LPARAM(item), SMTO_ABORTIFHUNG, 5000, &length);
            if (arg(2) != item) continue;
            DWORD_PTR r = 0;
            SendMessageTimeoutW(w, CB_SETCURSEL, i, 0, SMTO_ABORTIFHUNG, 5000, &r);
            return true;
        }
        return false;
    }
    if (cmd == L"print") {
        Out(TextOf(w) + L"\n");
        return true;
    }
    if (cmd == L"expecttext") {
        const std::wstring text = TextOf(w);
        if (text.find(arg(2)) != std::wstring::npos) return true;
        Out(L"text of " + arg(1) + L" is: " + text + L"\n");
        return false;
    }
    if (cmd == L"expectnotext") {
        const std::wstring text = TextOf(w);
        if (text.find(arg(2)) == std::wstring::npos) return true;
        Out(L"text of " + arg(1) + L" has: " + arg(2) + L"\n");
        return false;
    }
    if (cmd == L"expect") {
        const std::wstring p = arg(2);
        DWORD_PTR check = 0;
        SendMessageTimeoutW(w, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &check);
        bool ok = false;
        if (p == L"visible")
            ok = Visible(w);
        else if (p == L"hidden")
            ok = !Visible(w);
        else if (p == L"enabled")
            ok = IsWindowEnabled(w);
        else if (p == L"disabled")
            ok = !IsWindowEnabled(w);
        else if (p == L"checked")
            ok = check == BST_CHECKED;
        else if (p == L"unchecked")
            ok = check == BST_UNCHECKED;
        if (!ok) Out(arg(1) + L" is not " + p + L"\n");
        return ok;
    }
    if (cmd == L"key") {
        const WORD vk = KeyOf(arg(2));
        if (!vk) return false;
        const HWND root = GetAncestor(w, GA_ROOT);
        SetForegroundWindow(root);
        Sleep(100);
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = vk;
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
        Sleep(200);
        return true;
    }
    Out(L"unknown command: " + cmd + L"\n");
    return false;
}

} // namespace

int main() {
    char line[4096];
    int number = 0;
    while (std::fgets(line, sizeof line, stdin)) {
        ++number;
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        if (text.empty() || text[0] == '#') continue;
        std::vector<std::wstring> fields;
        size_t start = 0;
        for (;;) {
            const size_t tab = text.find('\t', start);
            fields.push_back(FromUtf8(text.substr(start, tab - start)));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        if (!Run(fields)) {
            Out(L"FAILED line " + std::to_wstring(number) + L": " + FromUtf8(text) + L"\n");
            return 1;
        }
    }
    return 0;
}
