#include "ZUX/UI/FolderPicker.h"

#include "ZUX/UI/DialogTexts.h"
#include "ZUX/UI/Form.h"
#include "ZUX/UI/Window.h"

#include <objbase.h>
#include <shlobj.h>

#include <vector>

namespace ZUX {

namespace {

// The shell's identifier of the dialog's new-folder button.
constexpr int kNewFolderButton = 0x3746;
constexpr int kFolderTree = 0x3741;

bool pickerOpen = false;

struct TPickerState {
    String start;
    HWND owner;
    std::vector<ATOM> atoms; // component names given to the dialog's windows
};

void Name(TPickerState& state, HWND window, const wchar_t* name) {
    if (!window) return;
    const ATOM atom = GlobalAddAtomW(name);
    if (!atom) return;
    state.atoms.push_back(atom);
    SetPropW(window, kComponentNameProperty, reinterpret_cast<HANDLE>(uintptr_t(atom)));
}

void CenterOn(HWND window, HWND owner) {
    RECT area, r;
    if (owner && IsWindowVisible(owner))
        GetWindowRect(owner, &area);
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - w) / 2,
                 area.top + (area.bottom - area.top - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CALLBACK PickerCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
    auto* state = reinterpret_cast<TPickerState*>(data);
    if (message != BFFM_INITIALIZED) return 0;
    const TZUXDialogTexts& texts = DialogTexts();
    SetWindowTextW(dialog, WStr(texts.BrowseTitle));
    SetDlgItemTextW(dialog, kNewFolderButton, WStr(texts.NewFolder));
    SetDlgItemTextW(dialog, IDOK, WStr(texts.Ok));
    SetDlgItemTextW(dialog, IDCANCEL, WStr(texts.Cancel));
    Name(*state, dialog, L"FolderPicker");
    Name(*state, GetDlgItem(dialog, IDOK), L"OK");
    Name(*state, GetDlgItem(dialog, IDCANCEL), L"Cancel");
    Name(*state, GetDlgItem(dialog, kNewFolderButton), L"NewFolder");
    Name(*state, GetDlgItem(dialog, kFolderTree), L"Folders");
    if (!state->start.empty())
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, LPARAM(WStr(state->start)));
    CenterOn(dialog, state->owner);
    return 0;
}

} // namespace

bool BrowseForFolder(HWND owner, const String& start, String& folder) {
    if (pickerOpen) return false;
    pickerOpen = true;
    if (!owner) owner = ApplicationMainWindow();
    TPickerState state{start, owner, {}};
    String path = start;
    while (path.size() > 3 && (path.back() == u'\\' || path.back() == u'/')) path.pop_back();
    state.start = path;
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = PickerCallback;
    info.lParam = reinterpret_cast<LPARAM>(&state);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    bool confirmed = false;
    if (chosen) {
        wchar_t buffer[MAX_PATH * 4] = {};
        if (SHGetPathFromIDListEx(chosen, buffer, MAX_PATH * 4, GPFIDL_DEFAULT)) {
            folder = FromWStr(buffer);
            confirmed = !folder.empty();
        }
        CoTaskMemFree(chosen);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    for (const ATOM atom : state.atoms) GlobalDeleteAtom(atom);
    pickerOpen = false;
    return confirmed;
}

} // namespace ZUX
