#include "wizard/Pages.h"

#include "ZUX/UI/SystemLibraries.h"
#include "engine/Setup.h"

#include <commctrl.h>
#include <richedit.h>

using namespace ZUX;
using Wizard::TRect;

namespace {

constexpr const wchar_t* kPageClass = L"TSetupPage";

void RegisterPageClass(WNDPROC proc) {
    static const bool registered = [proc] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kPageClass;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
}

} // namespace

TSetupCustomPage::~TSetupCustomPage() {
    if (handle_) {
        SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
        DestroyWindow(handle_);
    }
}

void TSetupCustomPage::Construct(HWND parent, StringView className) {
    pageName_ = String(className.size() > 6 ? className.substr(6) : className);
    RegisterPageClass(&WindowProc);
    handle_ = CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, L"",
                              WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 10, 10, parent,
                              nullptr, GetModuleHandleW(nullptr), this);
    if (!handle_) throw EInstallerGeneralError(u"Cannot create the page " + pageName_);
    Wizard::SetComponentName(handle_, pageName_);
    Build();
}

void TSetupCustomPage::SetBounds(const RECT& r) {
    SetWindowPos(handle_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TSetupCustomPage::SetVisible(bool visible) {
    ShowWindow(handle_, visible ? SW_SHOW : SW_HIDE);
}

bool TSetupCustomPage::HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

LRESULT CALLBACK TSetupCustomPage::WindowProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, LONG_PTR(create->lpCreateParams));
    }
    if (message == WM_NCDESTROY) Wizard::ClearComponentName(window);
    auto* page = reinterpret_cast<TSetupCustomPage*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (page) {
        LRESULT result = 0;
        bool handled = false;
        Wizard::Guarded(window,
                        [&] { handled = page->HandleMessage(message, wParam, lParam, result); });
        if (handled) return result;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// TSetupPage

void TSetupPage::Build() {
    CreateControls();
    Localize();
}

String TSetupPage::Translate(StringView key) const {
    return Setup->Resources->GetText(PageName(), key);
}

void TSetupPage::NotifyStateChanged() {
    Setup->SendNotify(NOTIFY_INPUT_CHANGED, 0);
}

void TSetupPage::Localize() {
    Title = Translate(u"Title");
    Description = Translate(u"Description");
    for (const auto& control : controls_)
        if (!control->Name.empty() && control->HasCaption)
            SetText(control->Handle, Translate(control->Name));
}

int TSetupPage::Dpi() const {
    return Wizard::WindowDpi(Handle());
}

TSetupPage::TControl& TSetupPage::CreateControl(TRect units, StringView name,
                                                const wchar_t* windowClass, DWORD style,
                                                bool hasCaption) {
    auto control = std::make_unique<TControl>();
    control->Units = units;
    control->Name = String(name);
    control->HasCaption = hasCaption;
    control->Handle =
        CreateWindowExW(0, windowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0,
                        10, 10, Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!control->Handle)
        throw EInstallerGeneralError(u"Cannot create the control " + control->Name);
    Wizard::SetComponentName(control->Handle, control->Name);
    if (Wizard::Palette().Dark &&
        (wcscmp(windowClass, L"BUTTON") == 0 || wcscmp(windowClass, PROGRESS_CLASSW) == 0))
        ZUX::UseClassicLook(control->Handle); // the classic look takes our colours
    controls_.push_back(std::move(control));
    TControl& result = *controls_.back();
    SetFont(result.Handle, result.FontPoints, false);
    return result;
}

HWND TSetupPage::CreateCheckBox(TRect units, StringView name, std::function<void()> onClick) {
    TControl& c = CreateControl(units, name, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX);
    c.OnClick = std::move(onClick);
    return c.Handle;
}

HWND TSetupPage::CreateRadioButton(TRect units, StringView name, std::function<void()> onClick,
                                   bool firstOfGroup) {
    TControl& c = CreateControl(units, name, L"BUTTON",
                                WS_TABSTOP | BS_AUTORADIOBUTTON | (firstOfGroup ? WS_GROUP : 0));
    c.OnClick = std::move(onClick);
    return c.Handle;
}

HWND TSetupPage::CreateLabel(TRect units, StringView name, bool topAndWrap) {
    const DWORD style = SS_NOPREFIX | (topAndWrap ? SS_LEFT : SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS);
    return CreateControl(units, name, L"STATIC", style).Handle;
}

HWND TSetupPage::CreateHeading(TRect units, StringView name) {
    const HWND label = CreateLabel(units, name, false);
    SetFont(label, 11, false);
    return label;
}

HWND TSetupPage::CreateViewer(StringView name, TRect margins, bool vscroll) {
    auto control = std::make_unique<TControl>();
    control->Name = String(name);
    control->HasCaption = false;
    control->Align = TAlign::Client;
    control->Margins = margins;
    control->Handle = Wizard::CreateRichViewer(Handle(), vscroll);
    if (!control->Handle) throw EInstallerGeneralError(u"Cannot create the text viewer");
    Wizard::SetComponentName(control->Handle, control->Name);
    controls_.push_back(std::move(control));
    return controls_.back()->Handle;
}

TSetupPage::TControl* TSetupPage::Find(HWND window) {
    for (auto& control : controls_)
        if (control->Handle == window) return control.get();
    return nullptr;
}

void TSetupPage::DestroyControl(HWND window) {
    for (auto it = controls_.begin(); it != controls_.end(); ++it) {
        if ((*it)->Handle != window) continue;
        Wizard::ClearComponentName(window);
        DestroyWindow(window);
        controls_.erase(it);
        return;
    }
}

void TSetupPage::Align(HWND window, TAlign align, TRect margins, int height) {
    if (TControl* c = Find(window)) {
        c->Align = align;
        c->Margins = margins;
        if (height) c->Units.Bottom = height;
    }
}

void TSetupPage::SetFont(HWND window, int points, bool bold) {
    if (TControl* c = Find(window)) {
        c->FontPoints = points;
        c->Bold = bold;
        c->Font.reset(Wizard::CreateUIFont(points, bold, Dpi()));
        SendMessageW(window, WM_SETFONT, WPARAM(c->Font.get()), TRUE);
    }
}

void TSetupPage::SetTextColor(HWND window, COLORREF color) {
    if (TControl* c = Find(window)) {
        c->TextColor = color;
        InvalidateRect(window, nullptr, TRUE);
    }
}

RECT TSetupPage::AlignArea() const {
    RECT client;
    GetClientRect(Handle(), &client);
    return client;
}

void TSetupPage::Relayout() {
    const int dpi = Dpi();
    const RECT area = AlignArea();
    auto s = [dpi](int units) { return Wizard::Scale(units, dpi); };
    for (auto& c : controls_) {
        RECT r{};
        switch (c->Align) {
        case TAlign::None:
            // Units holds left, top, width, height.
            r = {s(c->Units.Left), s(c->Units.Top), s(c->Units.Left + c->Units.Right),
                 s(c->Units.Top + c->Units.Bottom)};
            break;
        case TAlign::Client:
            r = {area.left + s(c->Margins.Left), area.top + s(c->Margins.Top),
                 area.right - s(c->Margins.Right), area.bottom - s(c->Margins.Bottom)};
            break;
        case TAlign::Bottom:
            r = {area.left + s(c->Margins.Left),
                 area.bottom - s(c->Margins.Bottom) - s(c->Units.Bottom),
                 area.right - s(c->Margins.Right), area.bottom - s(c->Margins.Bottom)};
            break;
        }
        SetWindowPos(c->Handle, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (c->Font) {
            c->Font.reset(Wizard::CreateUIFont(c->FontPoints, c->Bold, dpi));
            SendMessageW(c->Handle, WM_SETFONT, WPARAM(c->Font.get()), TRUE);
        }
    }
    OnLayout();
}

bool TSetupPage::Checked(HWND control) {
    return SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TSetupPage::SetChecked(HWND control, bool checked) {
    SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TSetupPage::SetText(HWND control, const String& text) {
    SetWindowTextW(control, WStr(text));
}

void TSetupPage::SetShown(HWND control, bool shown) {
    ShowWindow(control, shown ? SW_SHOWNA : SW_HIDE);
}

void TSetupPage::Paint(HDC dc, const RECT& client) {
    const HBRUSH brush = CreateSolidBrush(Wizard::Palette().PageBackground);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
}

void TSetupPage::OnNotify(const NMHDR& header, LPARAM lParam) {
    if (header.code == EN_LINK)
        Wizard::OpenLink(Wizard::RichViewerLinkText(header.hwndFrom, lParam));
}

bool TSetupPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(Handle(), &ps);
        RECT client;
        GetClientRect(Handle(), &client);
        // Double-buffered: no flicker while the worker reports.
        const HDC memory = CreateCompatibleDC(dc);
        const HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
        const HGDIOBJ old = SelectObject(memory, bitmap);
        Paint(memory, client);
        BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        EndPaint(Handle(), &ps);
        result = 0;
        return true;
    }
    case WM_SIZE:
        Relayout();
        return false;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT: {
        const HDC dc = HDC(wParam);
        const TControl* c = Find(HWND(lParam));
        const auto& palette = Wizard::Palette();
        ::SetTextColor(dc, c && c->TextColor != CLR_INVALID ? c->TextColor : palette.Text);
        static HBRUSH light = CreateSolidBrush(RGB(0xFF, 0xFF, 0xFF));
        static HBRUSH dark = CreateSolidBrush(RGB(0x26, 0x26, 0x26));
        SetBkColor(dc, palette.PageBackground);
        if (message != WM_CTLCOLOREDIT) SetBkMode(dc, TRANSPARENT);
        result = LRESULT(palette.Dark ? dark : light);
        return true;
    }
    case WM_COMMAND: {
        TControl* c = Find(HWND(lParam));
        if (!c) return false;
        if (HIWORD(wParam) == BN_CLICKED && c->OnClick) c->OnClick();
        if (HIWORD(wParam) == EN_CHANGE && c->OnChange) c->OnChange();
        result = 0;
        return true;
    }
    case WM_NOTIFY:
        OnNotify(*reinterpret_cast<const NMHDR*>(lParam), lParam);
        result = 0;
        return true;
    default:
        return TSetupCustomPage::HandleMessage(message, wParam, lParam, result);
    }
}
