// The spawn service: host window, client requests.
#include "engine/SpawnService.h"

#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/MessageWindow.h"
#include "ZUX/Base/Shell.h"

#include <memory>

using namespace ZUX;

namespace {

// The service's program-wide state: one per process.
struct TSpawnState {
    HWND Token = nullptr;
    bool IsHost = false;
    UINT MessageId = 0;
    DWORD ClientProcessId = 0;
    std::unique_ptr<TZUXMessageWindow> Window; // the host's; Token is its handle
};

TSpawnState& State() {
    static TSpawnState state;
    return state;
}

// Starts path in the current user's session: web and mail addresses in the
// browser, anything else with the shell's default verb.
void StartDirectly(const String& path) {
    if (path.empty()) return;
    ZUX::ShellExecute(path);
}

// The path of a hand-off that this host should act on, or false. The record
// comes from another process: nothing in it is trusted before it is checked.
bool ReadHandOff(WPARAM wParam, LPARAM lParam, String& path) {
    const TSpawnState& state = State();
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (!data || data->dwData != state.MessageId) return false;
    if (state.ClientProcessId == 0 || wParam != WPARAM(state.ClientProcessId)) return false;
    if (data->cbData % 2 != 0 || data->cbData / 2 > TSetupSpawnService::MaxPathLength) return false;
    if (data->cbData > 0 && !data->lpData) return false;
    path.assign(static_cast<const char16_t*>(data->lpData), data->cbData / 2);
    // Windows would cut the path at a zero and start something else.
    return path.find(u'\0') == String::npos;
}

bool HostWindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) {
    if (message == WM_COPYDATA) {
        String path;
        if (ReadHandOff(wParam, lParam, path)) {
            // The path is ours now: let the client go. Inside a message sent by
            // another thread COM makes no outgoing calls, and the shell may need
            // them (a web address, a handler that is a COM object).
            if (InSendMessage()) ReplyMessage(0);
            StartDirectly(path);
        }
    }
    return false; // the default procedure sees every message
}

} // namespace

void TSetupSpawnService::Initialize(uintptr_t token) {
    TSpawnState& state = State();
    if (state.Token) throw Exception(u"SpawnService is already initialized");
    if (token != 0) {
        state.Token = reinterpret_cast<HWND>(token);
        state.IsHost = false;
    } else {
        state.Window = std::make_unique<TZUXMessageWindow>(u"TSetupSpawnService", &HostWindowProc);
        state.Token = state.Window->Handle();
        state.IsHost = true;
    }
    state.MessageId = RegisterWindowMessageW(L"SpawnToken");
}

void TSetupSpawnService::Finalize() {
    State() = TSpawnState();
}

void TSetupSpawnService::AcceptClient(DWORD processId) {
    State().ClientProcessId = processId;
}

void TSetupSpawnService::Run(const String& path) {
    const TSpawnState& state = State();
    if (state.Token && !state.IsHost) {
        COPYDATASTRUCT data{};
        data.dwData = state.MessageId;
        data.cbData = DWORD(path.size() * sizeof(char16_t));
        data.lpData = const_cast<char16_t*>(path.data());
        SendMessageW(state.Token, WM_COPYDATA, WPARAM(GetCurrentProcessId()),
                     reinterpret_cast<LPARAM>(&data));
        return;
    }
    // Every supported system is Vista or later: Explorer, which runs as the
    // logged-on user, opens the path for us even when we are elevated. The
    // quotes keep a path with commas or blanks in one piece.
    if (path.empty()) return;
    ZUX::ShellExecute(IsRunningUnderWine() ? u"Explorer" : u"Explorer.exe", u"\"" + path + u"\"");
}

HWND TSetupSpawnService::Token() {
    return State().Token;
}

bool TSetupSpawnService::IsHost() {
    return State().IsHost;
}

UINT TSetupSpawnService::MessageId() {
    return State().MessageId;
}
