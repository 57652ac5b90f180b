// Stand-in for the player's registration tool "Elevator.exe", which the real
// product uses to register file associations, the context menu and the
// Default Programs entry. This one registers nothing: it appends the switches
// it was started with (for example "/REG=L1 /REG=D1 /REG=R1") as one line to
// "Elevator.log" beside itself and exits with 0.
#include "StandIn.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The installer waits for the tool to become idle before it waits for its
    // end. A program counts as idle once it reads its message queue, so read
    // it at once instead of leaving that wait to how the system treats a
    // program that never does.
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);

    const standin::PathBuffer log;
    if (!standin::LogPathBeside(nullptr, log)) return 0;
    const wchar_t* args = standin::OwnArguments();
    int length = lstrlenW(args);
    while (length > 0 && (args[length - 1] == L' ' || args[length - 1] == L'\t')) --length;
    standin::AppendLine(log.get(), args, length);
    return 0;
}
