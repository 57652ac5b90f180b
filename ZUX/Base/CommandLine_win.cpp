// The program's own command line on Windows.
#include "ZUX/Base/CommandLine.h"
#include "ZUX/Base/Win32.h"

namespace ZUX {

String GetParams() {
    return GetParams(FromWStr(GetCommandLineW()));
}

} // namespace ZUX
