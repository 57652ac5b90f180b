// The wizard window's frame: creation, geometry, drawing, DPI and the taskbar.
#include "wizard/WizardForm.h"

#include "ZUX/UI/Dpi.h"
#include "engine/Setup.h"
#include "wizard/GenericPages.h"
#include "wizard/HandlerBoundary.h"
#include "wizard/Palette.h"

#include <shobjidl.h>

using namespace ZUX;
using Wizard::Scale;

namespace {

constexpr const wchar_t* kWizardClass = L"TWizardForm";
constexpr int kClientWidth = 640, kClientHeight = 480;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;

RECT ToRect(const Wizard::TRect& r) {
    return {r.Left, r.Top, r.Right, r.Bottom};
}

Wizard::TFormGeometry Geometry(const TWizardForm& form) {
    RECT client;
    GetClientRect(form.Handle(), &client);
    return Wizard::FormGeometry(client.right, client.bottom, form.Dpi());
}

RECT WindowRectForClient(int dpi) {
    RECT r{0, 0, Scale(kClientWidth, dpi), Scale(kClientHeight, dpi)};
    AdjustWindowRectForDpi(r, kStyle, kExStyle, UINT(dpi));
    return r;
}

TZUXFontHandle WizardFont(int points, int dpi) {
    return CreatePointFont(u"Segoe UI", points * 10, UINT(dpi));
}

} // namespace

// TWizardFormViewInfo

TWizardFormViewInfo::TWizardFormViewInfo(TWizardForm& form) : TWizardCustomViewInfo(form) {
    headerLight_ = LoadSetupPicture(u"header.png");
    headerDark_ = LoadSetupPicture(u"header_dark.png");
}

RECT TWizardFormViewInfo::PageBounds(bool fullScreen) const {
    const Wizard::TFormGeometry g = Geometry(Form);
    return ToRect(fullScreen ? g.FullScreen : g.PageBounds);
}

void TWizardFormViewInfo::Paint(HDC dc) {
    const TSetupPalette& palette = SetupPalette();
    const Wizard::TFormGeometry g = Geometry(Form);
    RECT client;
    GetClientRect(Form.Handle(), &client);
    FillSolidRect(dc, client, palette.PageBackground);
    FillSolidRect(dc, ToRect(g.BottomBand), palette.Accent);
    (palette.Dark ? headerDark_ : headerLight_)->Draw(dc, ToRect(g.Header));
    FillSolidRect(dc, {g.Header.Left, g.Header.Bottom - 1, g.Header.Right, g.Header.Bottom},
                  palette.Accent);

    auto* page = dynamic_cast<TSetupPage*>(Form.ActivePage);
    if (!page) return;
    const int dpi = Form.Dpi();
    SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, palette.HeaderText);
    const RECT area = ToRect(g.HeaderText);
    const TZUXFontHandle title = WizardFont(11, dpi);
    const TZUXFontHandle description = WizardFont(8, dpi);
    {
        const TZUXSelectObject select(dc, title.Get());
        RECT top = area;
        DrawTextW(dc, WStr(page->Title), -1, &top,
                  DT_RIGHT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    const TZUXSelectObject select(dc, description.Get());
    RECT bottom = area;
    DrawTextW(dc, WStr(page->Description), -1, &bottom,
              DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// TWizardProgressViewInfo

void TWizardProgressViewInfo::Calculate() {
    const Wizard::TFormGeometry g = Geometry(Form);
    Strip = g.Strip;
    Bar = g.Bar;
    const int count = Form.Pages().Count();
    SegmentWidth = count > 2 ? Bar.Width() / (count - 1) : 0;
}

RECT TWizardProgressViewInfo::StripRect() const {
    return ToRect(Strip);
}

void TWizardProgressViewInfo::Paint(HDC dc) {
    const TSetupPalette& palette = SetupPalette();
    FillSolidRect(dc, ToRect(Strip), palette.StripBackground);
    TSetupCustomPage* page = Form.ActivePage;
    if (!page) return;
    const Wizard::TStripDrawing d = Wizard::StripDrawing(
        Bar, Form.Pages().Count(), Form.Pages().IndexOf(page), page->GetProgress());
    if (d.SegmentWidth == 0) return;
    // Dashes in device pixels: 3 wide every 6.
    for (int i = 0; i < d.DashCount; ++i)
        FillSolidRect(dc, {d.SegmentLeft + 6 * i, Bar.Top, d.SegmentLeft + 6 * i + 3, Bar.Bottom},
                      palette.Accent);
    FillSolidRect(dc, {Bar.Left, Bar.Top, d.FillRight, Bar.Bottom}, palette.Accent);
}

// TWizardTaskbar

TWizardTaskbar::TWizardTaskbar(HWND window) : window_(window) {
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(list_.GetAddressOf()))) ||
        FAILED(list_->HrInit()))
        list_.Reset();
}

TWizardTaskbar::~TWizardTaskbar() = default;

void TWizardTaskbar::SetProgress(int value, int maximum) {
    if (!list_) return;
    list_->SetProgressState(window_, error_ ? TBPF_ERROR : TBPF_NORMAL);
    list_->SetProgressValue(window_, ULONGLONG(value < 0 ? 0 : value),
                            ULONGLONG(maximum > 0 ? maximum : 1));
}

void TWizardTaskbar::SetError() {
    error_ = true;
    if (list_) list_->SetProgressState(window_, TBPF_ERROR);
}

// TWizardForm: frame

int TWizardForm::Dpi() const {
    return int(GetWindowDpi(handle_));
}

void TWizardForm::CreateFrame() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &TWizardForm::WindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
        wc.lpszClassName = kWizardClass;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
    // Centred on the screen, sized for the primary monitor's DPI, then
    // corrected for the monitor the window lands on.
    const int systemDpi = int(GetSystemDpi());
    RECT r = WindowRectForClient(systemDpi);
    const int width = r.right - r.left, height = r.bottom - r.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    handle_ = CreateWindowExW(kExStyle, kWizardClass, L"", kStyle, x, y, width, height, nullptr,
                              nullptr, GetModuleHandleW(nullptr), this);
    if (!handle_) throw EInstallerGeneralError(u"Cannot create the wizard window");
    PublishComponentName(handle_, u"WizardForm");
    if (Dpi() != systemDpi) {
        r = WindowRectForClient(Dpi());
        SetWindowPos(handle_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    bBack_ = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                             0, 0, 10, 10, handle_, HMENU(uintptr_t(100)), instance, nullptr);
    bNext_ =
        CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
                        0, 10, 10, handle_, HMENU(uintptr_t(IDOK)), instance, nullptr);
    lbVerInfo_ =
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_NOPREFIX | SS_CENTERIMAGE, 0,
                        0, 10, 10, handle_, nullptr, instance, nullptr);
    if (!bBack_ || !bNext_ || !lbVerInfo_)
        throw EInstallerGeneralError(u"Cannot create the wizard window");
    PublishComponentName(bBack_, u"bBack");
    PublishComponentName(bNext_, u"bNext");
    PublishComponentName(lbVerInfo_, u"lbVerInfo");
    LayoutFrame();
}

void TWizardForm::LayoutFrame() {
    const int dpi = Dpi();
    RECT client;
    GetClientRect(handle_, &client);
    // Anchored to the bottom; the buttons also to the right.
    const int top = client.bottom - Scale(kClientHeight - 447, dpi);
    const int right = client.right;
    auto place = [&](HWND w, int left, int width, int height) {
        SetWindowPos(w, nullptr, left, top, Scale(width, dpi), Scale(height, dpi),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place(lbVerInfo_, Scale(12, dpi), 257, 25);
    place(bBack_, right - Scale(kClientWidth - 384, dpi), 121, 25);
    place(bNext_, right - Scale(kClientWidth - 511, dpi), 121, 25);
    font_ = WizardFont(9, dpi);
    for (const HWND w : {bBack_, bNext_, lbVerInfo_})
        SendMessageW(w, WM_SETFONT, WPARAM(font_.Get()), TRUE);
    if (progressView_ && pages_) progressView_->Calculate();
    InvalidateRect(handle_, nullptr, FALSE);
}

void TWizardForm::Paint(HDC dc) {
    formView_->Paint(dc);
    progressView_->Paint(dc);
}

LRESULT CALLBACK TWizardForm::WindowProc(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* form = static_cast<TWizardForm*>(create->lpCreateParams);
        form->handle_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, LONG_PTR(form));
    }
    auto* form = reinterpret_cast<TWizardForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form) {
        LRESULT result = 0;
        bool handled = false;
        Wizard::Guarded(window,
                        [&] { handled = form->HandleMessage(message, wParam, lParam, result); });
        if (handled) return result;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool TWizardForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT: {
        const TZUXBufferedPaint paint(handle_);
        if (formView_ && progressView_) Paint(paint.Dc());
        result = 0;
        return true;
    }
    case WM_CTLCOLORSTATIC:
        if (HWND(lParam) == lbVerInfo_) {
            const HDC dc = HDC(wParam);
            ::SetTextColor(dc, SetupPalette().VersionText);
            SetBkMode(dc, TRANSPARENT);
            result = LRESULT(versionBrush_.Get(SetupPalette().Accent));
            return true;
        }
        return false;
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(handle_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        LayoutFrame();
        if (ActivePage) {
            ActivePage->Place(
                formView_->PageBounds(dynamic_cast<TSetupPageFullScreen*>(ActivePage) != nullptr));
        }
        result = 0;
        return true;
    }
    case WM_SETTINGCHANGE:
        if (lParam &&
            lstrcmpW(reinterpret_cast<const wchar_t*>(lParam), L"ImmersiveColorSet") == 0) {
            InvalidateRect(handle_, nullptr, FALSE);
        }
        return false;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && (HWND(lParam) == bNext_ || !lParam)) {
            if (IsWindowEnabled(bNext_)) bNextClick();
            result = 0;
            return true;
        }
        if (HWND(lParam) == bBack_ && HIWORD(wParam) == BN_CLICKED) {
            bBackClick();
            result = 0;
            return true;
        }
        if (LOWORD(wParam) == IDCANCEL && !lParam) {
            if (Setup->State != ssFinished) PostMessageW(handle_, WM_CLOSE, 0, 0);
            result = 0;
            return true;
        }
        return false;
    case WM_TIMER:
        if (wParam == 1) {
            KillTimer(handle_, 1);
            progressTimer_ = false;
            UpdateProgress();
            result = 0;
            return true;
        }
        return false;
    case WM_SYSCOMMAND:
        // After the run only the last button closes the window.
        if ((wParam & 0xFFF0) == SC_CLOSE && Setup->State == ssFinished) {
            result = 0;
            return true;
        }
        return false;
    case WM_CLOSE:
        RequestClose();
        result = 0;
        return true;
    default:
        return false;
    }
}
