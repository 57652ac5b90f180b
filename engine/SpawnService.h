// The spawn service. The setup runs elevated, but the programs it offers to
// start afterwards must run as the user who started it. The first,
// non-elevated process stays alive as the host: a message-only window that
// starts whatever path the elevated process (the client) hands it.
//
// Hand-off record: WM_COPYDATA sent to the host's window, wParam = the
// client's process id, dwData = MessageId, lpData = the path in UTF-16
// without a terminating zero, cbData = its size in bytes.
#pragma once

#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"

#include <cstddef>
#include <cstdint>

class TSetupSpawnService {
public:
    TSetupSpawnService() = delete;

    // The longest path a host accepts, in characters.
    static constexpr size_t MaxPathLength = 32767;

    // token 0: become the host (a message-only window of the main thread);
    // otherwise: a client of the host window token. Raises
    // "SpawnService is already initialized" on a second call.
    static void Initialize(uintptr_t token);
    // A host destroys its window; either way the service is uninitialised.
    static void Finalize();

    // Host only: the process whose hand-offs are acted on (the elevated
    // child). Hand-offs from any other sender are ignored; 0 accepts none.
    static void AcceptClient(DWORD processId);

    // Starts path as the user who started the setup. A client hands it to its
    // host and returns once the host has taken it; otherwise the shell is
    // asked to open it. Failures are not reported.
    static void Run(const ZUX::String& path);

    static HWND Token();
    static bool IsHost();
    static UINT MessageId();
};
