#include "wizard/LanguageDialog.h"

#include "ZUX/Base/Locale.h"
#include "wizard/Controls.h"

#include <algorithm>
#include <commctrl.h>

using namespace ZUX;
using Wizard::Scale;

namespace {

constexpr const wchar_t* kDialogClass = L"TSetupLanguageDialog";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_DLGFRAME;
constexpr DWORD kExStyle =
    WS_EX_DLGMODALFRAME | WS_EX_TOPMOST | WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;

struct TDialogState {
    HWND Combo = nullptr;
    HWND Ok = nullptr;
    bool Done = false;
};

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* state = reinterpret_cast<TDialogState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          LONG_PTR(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        break;
    case WM_COMMAND:
        if (state && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
            state->Done = true;
            return 0;
        }
        break;
    case WM_CLOSE:
        if (state) state->Done = true;
        return 0;
    case WM_NCDESTROY:
        Wizard::ClearComponentName(window);
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int TSetupLanguageDialog::Execute(const std::vector<TSetupLanguageInfo>& items, int preselected) {
    // Items in name order; equal names keep the package's order.
    std::vector<int> order(items.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
    std::stable_sort(order.begin(), order.end(), [&items](int a, int b) {
        return CompareTextLocale(items[size_t(a)].Name, items[size_t(b)].Name) < 0;
    });

    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DialogProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = kDialogClass;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;

    TDialogState state;
    const int dpi = Wizard::WindowDpi(nullptr);
    RECT r{0, 0, Scale(220, dpi), Scale(75, dpi)};
    AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
    const int width = r.right - r.left, height = r.bottom - r.top;
    const HWND window = CreateWindowExW(kExStyle, kDialogClass, L"Select Language", kStyle,
                                        (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                        (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                                        nullptr, nullptr, GetModuleHandleW(nullptr), &state);
    if (!window) return preselected;
    Wizard::SetComponentName(window, u"LanguageDialog");
    const Wizard::TFont font(Wizard::CreateUIFont(9, false, dpi));
    state.Combo = CreateWindowExW(
        0, WC_COMBOBOXW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
        Scale(8, dpi), Scale(8, dpi), Scale(204, dpi), Scale(200, dpi), window, nullptr,
        GetModuleHandleW(nullptr), nullptr);
    state.Ok =
        CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                        Scale(60, dpi), Scale(75 - 8 - 25, dpi), Scale(100, dpi), Scale(25, dpi),
                        window, HMENU(uintptr_t(IDOK)), GetModuleHandleW(nullptr), nullptr);
    Wizard::SetComponentName(state.Combo, u"Languages");
    Wizard::SetComponentName(state.Ok, u"OK");
    for (const HWND w : {state.Combo, state.Ok})
        SendMessageW(w, WM_SETFONT, WPARAM(font.get()), TRUE);
    for (const int item : order) {
        const LRESULT at =
            SendMessageW(state.Combo, CB_ADDSTRING, 0, LPARAM(WStr(items[size_t(item)].Name)));
        SendMessageW(state.Combo, CB_SETITEMDATA, WPARAM(at), LPARAM(item));
        if (item == preselected) SendMessageW(state.Combo, CB_SETCURSEL, WPARAM(at), 0);
    }
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(state.Combo);
    MSG message;
    while (!state.Done && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // However the dialog was closed, the language it shows applies.
    const LRESULT selected = SendMessageW(state.Combo, CB_GETCURSEL, 0, 0);
    const int result = selected == CB_ERR
                           ? -1
                           : int(SendMessageW(state.Combo, CB_GETITEMDATA, WPARAM(selected), 0));
    DestroyWindow(window);
    return result;
}
