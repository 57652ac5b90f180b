// Where the packages come from on Windows: the program's own RT_RCDATA
// resources, or, for the uninstaller, the package file beside it.
#include "engine/SetupResources.h"

#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Win32.h"
#include "engine/UninstallLog.h"

#include <shlobj.h>

using namespace ZUX;

namespace {

// A resource stays mapped for the life of the module: a view needs no copy.
TZUXBufferStream ResourceStream(const wchar_t* name) {
    HRSRC info = FindResourceW(nullptr, name, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL handle = info ? LoadResource(nullptr, info) : nullptr;
    const void* data = handle ? LockResource(handle) : nullptr;
    if (!data) throw EReadError(Format(u"Resource %s not found", {FromWStr(name)}));
    return TZUXBufferStream(data, SizeofResource(nullptr, info));
}

} // namespace

bool TSetupResources::ProgramHasPackages() {
    return FindResourceW(nullptr, L"SETUP", MAKEINTRESOURCEW(10) /* RT_RCDATA */) != nullptr;
}

TSetupResources::TSetupResources(const ISetupMacroSource* macros) : macros_(macros) {
    TSetupKnownFolders folders;
    folders.Temp = GetTempPath();
    folders.ProgramFiles = GetProgramFilesFolder();
    sharedFolderReader_ = [](TSetupKnownFolders& shared) {
        shared.CommonDesktop = GetSpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
        shared.CommonPrograms = GetSpecialFolder(CSIDL_COMMON_PROGRAMS);
    };

    TZUXBufferStream setup = ResourceStream(L"SETUP");
    const String program = GetProgramFileName();
    if (IsUninstaller()) {
        TZUXBufferedFileStream product(ChangeFileExt(program, u".dat"),
                                       fmOpenRead | fmShareDenyNone);
        Initialize(setup, product, folders, UninstallPackageMaxContent);
    } else {
        TZUXBufferStream product = ResourceStream(L"PRODUCT");
        Initialize(setup, product, folders);
    }
}

bool IsUninstaller() {
    return SameText(ExtractFileName(GetProgramFileName()), u"Uninstall.exe");
}
