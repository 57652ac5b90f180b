// Stand-in for the player's shell context-menu extension
// "System\zivr_menu64.dll". It is a COM server in name only: the two
// registration exports append their own name ("DllRegisterServer" or
// "DllUnregisterServer") as one line to "zivr_menu64.log" beside the DLL and
// report success, so tests can prove the installer unregistered it before
// deleting it.
#include "StandIn.h"

namespace {

HRESULT Record(const wchar_t* what) {
    const standin::PathBuffer log;
    if (standin::LogPathBeside(standin::ThisModule(), log)) standin::AppendLine(log.get(), what);
    return S_OK;
}

} // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
    return Record(L"DllRegisterServer");
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return Record(L"DllUnregisterServer");
}
