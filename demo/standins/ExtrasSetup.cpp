// Stand-in for the partners' add-ons installer named in "addons.ini". The
// setup writes it to the temporary folder and starts it without waiting. It
// installs nothing: it appends its arguments, exactly as given (a trailing
// blank included), as one line to "ZIVRExtrasSetup.log" beside itself and
// exits with 0.
#include "StandIn.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const standin::PathBuffer log;
    if (standin::LogPathBeside(nullptr, log))
        standin::AppendLine(log.get(), standin::OwnArguments());
    return 0;
}
