// Windows side of the file stream: file handles, sharing bits, long paths, and
// no critical-error dialog while a file is opened.
#include "ZUX/Base/FileStream.h"

#include "ZUX/Base/Format.h"
#include "ZUX/Base/OSError.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Win32.h"

#include <climits>

namespace ZUX {

namespace {

DWORD ShareMode(uint32_t mode) {
    switch ((mode >> 4) & 0x0F) {
    case 2:
        return FILE_SHARE_READ;
    case 3:
        return FILE_SHARE_WRITE;
    case 4:
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    default:
        return 0;
    }
}

} // namespace

TZUXFileStream::TZUXFileStream(const String& fileName, uint32_t mode) : fileName_(fileName) {
    DWORD access, share, creation;
    if ((mode & 0xFF00) == 0xFF00) {
        access = GENERIC_READ | GENERIC_WRITE;
        share = 0;
        creation = CREATE_ALWAYS;
    } else {
        static constexpr DWORD kAccess[] = {GENERIC_READ, GENERIC_WRITE,
                                            GENERIC_READ | GENERIC_WRITE};
        const uint32_t a = mode & 0x0F;
        access = kAccess[a < 3 ? a : 0];
        share = ShareMode(mode);
        creation = OPEN_EXISTING;
    }
    DWORD oldMode = 0;
    const BOOL changed = SetThreadErrorMode(SEM_FAILCRITICALERRORS, &oldMode);
    const HANDLE h = CreateFileW(WStr(LongPathForm(fileName)), access, share, nullptr, creation,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = ::GetLastError();
    if (changed) SetThreadErrorMode(oldMode, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        throw EFOpenError(
            Format(u"Cannot open file \"%s\". %s", {fileName, SysErrorMessage(error)}), error);
    }
    handle_ = TZUXFileHandle(h);
}

int64_t TZUXFileStream::Read(void* buffer, int64_t count) {
    if (count <= 0) return 0;
    DWORD done = 0;
    const DWORD want = count > INT_MAX ? DWORD(INT_MAX) : DWORD(count);
    // A failed read is no end of file: the caller would go on with a part.
    if (!ReadFile(handle_.Get(), buffer, want, &done, nullptr)) throw EReadError(SReadError);
    return done;
}

int64_t TZUXFileStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    DWORD done = 0;
    const DWORD want = count > INT_MAX ? DWORD(INT_MAX) : DWORD(count);
    if (!WriteFile(handle_.Get(), buffer, want, &done, nullptr)) return 0;
    return done;
}

int64_t TZUXFileStream::Seek(int64_t offset, SeekOrigin origin) {
    const DWORD method = origin == SeekOrigin::Begin     ? FILE_BEGIN
                         : origin == SeekOrigin::Current ? FILE_CURRENT
                                                         : FILE_END;
    LARGE_INTEGER distance, result;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(handle_.Get(), distance, &result, method)) throw EReadError(SReadError);
    return result.QuadPart;
}

void TZUXFileStream::SetSize(int64_t size) {
    const int64_t pos = Position();
    Seek(size, SeekOrigin::Begin);
    if (!SetEndOfFile(handle_.Get())) throw EWriteError(SWriteError);
    Seek(pos < size ? pos : size, SeekOrigin::Begin);
}

} // namespace ZUX
