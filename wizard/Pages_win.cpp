// The page base classes: a page's container, its controls scaled for the DPI,
// its texts from the language files and its header.
#include "wizard/Pages.h"

#include "ZUX/UI/Controls.h"
#include "ZUX/UI/Dpi.h"
#include "ZUX/UI/SystemLibraries.h"
#include "engine/Setup.h"
#include "wizard/HandlerBoundary.h"
#include "wizard/Palette.h"

#include <commctrl.h>
#include <richedit.h>

using namespace ZUX;
using Wizard::TRect;

std::unique_ptr<TZUXBitmap> LoadSetupPicture(const String& name) {
    auto picture = std::make_unique<TZUXBitmap>();
    if (!picture->LoadFromBytes(Bytes(Setup->Resources->GetImage(name)->Data())))
        throw EInstallerGeneralError(u"The picture cannot be decoded");
    return picture;
}

void TSetupCustomPage::Construct(HWND parent, StringView className) {
    pageName_ = String(className.size() > 6 ? className.substr(6) : className);
    SetComponentName(pageName_);
    SetColor(SetupPalette().PageBackground); // behind the toolkit's labels
    visible_ = false;
    dpi_ = GetWindowDpi(parent);
    TCreateParams params = CreateParams();
    params.Style |= WS_CHILD | WS_CLIPSIBLINGS;
    params.X = params.Y = 0;
    params.Width = params.Height = 10;
    params.Parent = parent;
    CreateHandle(params);
    Build();
}

void TSetupCustomPage::Place(const RECT& r) {
    const UINT dpi = GetWindowDpi(Handle());
    const bool rescaled = dpi != Dpi();
    if (rescaled) ApplyDpi(dpi);
    SetWindowPos(Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    // Controls that the page aligns come back from where the toolkit put them.
    if (rescaled) Relayout();
}

void TSetupCustomPage::ShowPage(bool visible) {
    visible_ = visible;
    ShowWindow(Handle(), visible ? SW_SHOW : SW_HIDE);
}

bool TSetupCustomPage::HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

LRESULT TSetupCustomPage::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The toolkit's handling too: a link that cannot open is shown at once.
    LRESULT result = 0;
    Wizard::Guarded(Handle(), [&] {
        if (!HandleMessage(message, wParam, lParam, result))
            result = TZUXCustomControl::WndProc(message, wParam, lParam);
    });
    return result;
}

// TSetupPage

TSetupPage::~TSetupPage() {
    // The windows go with the page's; their names go now.
    for (const auto& control : controls_) RemoveComponentName(control->Handle);
}

void TSetupPage::Build() {
    CreateControls();
    // A label's box often reaches past its text into a control's (a hint above
    // a radio button, the body text over the finish page's run boxes): beneath
    // every control, its empty part covers none of them. A label made later
    // lies beneath one made earlier.
    for (const auto& control : controls_)
        if (dynamic_cast<TZUXLabel*>(control->Object))
            SetWindowPos(control->Handle, HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
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

TSetupPage::TControl& TSetupPage::AddRecord(HWND handle, StringView name, bool hasCaption) {
    auto control = std::make_unique<TControl>();
    control->Handle = handle;
    control->Name = String(name);
    control->HasCaption = hasCaption;
    controls_.push_back(std::move(control));
    return *controls_.back();
}

TSetupPage::TControl& TSetupPage::CreateControl(TRect units, StringView name,
                                                const wchar_t* windowClass, DWORD style,
                                                bool hasCaption) {
    const HWND handle =
        CreateWindowExW(0, windowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0,
                        10, 10, Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!handle) throw EInstallerGeneralError(u"Cannot create the control " + String(name));
    TControl& result = AddRecord(handle, name, hasCaption);
    result.Units = units;
    PublishComponentName(handle, result.Name);
    if (SetupPalette().Dark &&
        (wcscmp(windowClass, L"BUTTON") == 0 || wcscmp(windowClass, PROGRESS_CLASSW) == 0))
        ZUX::UseClassicLook(handle); // the classic look takes our colours
    SetFont(handle, result.FontPoints, false);
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
    auto& label = AddControl<TZUXLabel>(topAndWrap);
    label.SetComponentName(String(name));
    label.SetBounds({units.Left, units.Top, units.Right, units.Bottom});
    label.SetFontColor(SetupPalette().Text);
    TControl& record = AddRecord(label.Handle(), name, true);
    record.Units = units;
    record.Object = &label;
    return label.Handle();
}

HWND TSetupPage::CreateHeading(TRect units, StringView name) {
    const HWND label = CreateLabel(units, name, false);
    SetFont(label, 11, false);
    return label;
}

TSetupTextViewer& TSetupPage::CreateViewer(TRect margins) {
    auto& viewer = AddControl<TSetupTextViewer>();
    // The page places it with the others; the toolkit owns it.
    TControl& record = AddRecord(viewer.Handle(), u"", false);
    record.Align = TAlign::Client;
    record.Margins = margins;
    return viewer;
}

TSetupPage::TControl* TSetupPage::Find(HWND window) {
    for (auto& control : controls_)
        if (control->Handle == window) return control.get();
    return nullptr;
}

void TSetupPage::DestroyControl(HWND window) {
    for (auto it = controls_.begin(); it != controls_.end(); ++it) {
        if ((*it)->Handle != window) continue;
        TZUXControl* object = (*it)->Object;
        controls_.erase(it);
        if (object) {
            DeleteControl(object);
            return;
        }
        RemoveComponentName(window);
        DestroyWindow(window);
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
        if (c->Object) {
            TZUXFont font = c->Object->Font();
            font.Points10 = points * 10;
            font.Bold = bold;
            c->Object->SetFont(font);
            return;
        }
        c->Font = CreatePointFont(u"Segoe UI", points * 10, Dpi(), bold);
        SendMessageW(window, WM_SETFONT, WPARAM(c->Font.Get()), TRUE);
    }
}

void TSetupPage::SetTextColor(HWND window, COLORREF color) {
    if (TControl* c = Find(window)) {
        c->TextColor = color;
        if (c->Object) c->Object->SetFontColor(color);
        InvalidateRect(window, nullptr, TRUE);
    }
}

RECT TSetupPage::AlignArea() const {
    RECT client;
    GetClientRect(Handle(), &client);
    return client;
}

void TSetupPage::Relayout() {
    const RECT area = AlignArea();
    auto s = [this](int units) { return Scale(units); };
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
            c->Font = CreatePointFont(u"Segoe UI", c->FontPoints * 10, Dpi(), c->Bold);
            SendMessageW(c->Handle, WM_SETFONT, WPARAM(c->Font.Get()), TRUE);
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
    FillSolidRect(dc, client, SetupPalette().PageBackground);
}

bool TSetupPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_SIZE:
        Relayout();
        return false;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT: {
        // Toolkit controls colour themselves.
        if (FromHandle(HWND(lParam))) return false;
        const HDC dc = HDC(wParam);
        const TControl* c = Find(HWND(lParam));
        const TSetupPalette& palette = SetupPalette();
        ::SetTextColor(dc, c && c->TextColor != CLR_INVALID ? c->TextColor : palette.Text);
        SetBkColor(dc, palette.PageBackground);
        if (message != WM_CTLCOLOREDIT) SetBkMode(dc, TRANSPARENT);
        result = LRESULT(brush_.Get(palette.PageBackground));
        return true;
    }
    case WM_COMMAND: {
        TControl* c = Find(HWND(lParam));
        if (!c || FromHandle(c->Handle)) return false;
        if (HIWORD(wParam) == BN_CLICKED && c->OnClick) c->OnClick();
        if (HIWORD(wParam) == EN_CHANGE && c->OnChange) c->OnChange();
        result = 0;
        return true;
    }
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (FromHandle(header.hwndFrom)) return false;
        OnNotify(header, lParam);
        result = 0;
        return true;
    }
    default:
        return TSetupCustomPage::HandleMessage(message, wParam, lParam, result);
    }
}
