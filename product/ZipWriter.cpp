// The backup archive's writer.
#include "product/ZipWriter.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Format.h"
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/OSError.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"
#include "engine/InstallerErrors.h"

#include <minizip/zip.h>

#include <algorithm>
#include <cstring>

using namespace ZUX;

// The archive file under minizip, behind a write buffer: minizip writes its
// headers a few bytes at a time.
struct TSetupZipWriter::TState {
    static constexpr size_t BufferSize = 256 * 1024;

    TZUXKernelHandle file;
    std::vector<uint8_t> pending;
    uint64_t position = 0; // of the next byte written, pending ones included
    uint32_t lastError = 0;
    zipFile zip = nullptr;

    bool Flush() {
        size_t done = 0;
        while (done < pending.size()) {
            DWORD written = 0;
            const DWORD chunk = DWORD(std::min<size_t>(pending.size() - done, 1u << 30));
            if (!WriteFile(file.Get(), pending.data() + done, chunk, &written, nullptr) ||
                written == 0) {
                lastError = GetLastError();
                return false;
            }
            done += written;
        }
        pending.clear();
        return true;
    }

    static voidpf ZCALLBACK Open(voidpf opaque, const void*, int) { return opaque; }
    static uLong ZCALLBACK Read(voidpf, voidpf, void*, uLong) { return 0; }
    static uLong ZCALLBACK Write(voidpf, voidpf stream, const void* buf, uLong size) {
        auto& self = *static_cast<TState*>(stream);
        const auto* bytes = static_cast<const uint8_t*>(buf);
        if (self.pending.size() + size > BufferSize && !self.Flush()) return 0;
        if (size >= BufferSize) {
            self.pending.assign(bytes, bytes + size);
            if (!self.Flush()) return 0;
        } else {
            self.pending.insert(self.pending.end(), bytes, bytes + size);
        }
        self.position += size;
        return size;
    }
    static ZPOS64_T ZCALLBACK Tell(voidpf, voidpf stream) {
        return static_cast<TState*>(stream)->position;
    }
    static long ZCALLBACK Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
        auto& self = *static_cast<TState*>(stream);
        if (!self.Flush()) return -1;
        DWORD method = FILE_BEGIN;
        if (origin == ZLIB_FILEFUNC_SEEK_CUR)
            method = FILE_CURRENT;
        else if (origin == ZLIB_FILEFUNC_SEEK_END)
            method = FILE_END;
        LARGE_INTEGER distance, now;
        distance.QuadPart = LONGLONG(offset);
        if (!SetFilePointerEx(self.file.Get(), distance, &now, method)) {
            self.lastError = GetLastError();
            return -1;
        }
        self.position = uint64_t(now.QuadPart);
        return 0;
    }
    // The handle stays open for the end records that minizip leaves out.
    static int ZCALLBACK CloseFile(voidpf, voidpf stream) {
        return static_cast<TState*>(stream)->Flush() ? 0 : -1;
    }
    static int ZCALLBACK Error(voidpf, voidpf stream) {
        return static_cast<TState*>(stream)->lastError != 0;
    }

    static void Put(std::vector<uint8_t>& out, uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(value >> (8 * i)));
    }

    // Minizip writes the Zip64 end records only when the central directory
    // starts beyond 4 GiB; from 65535 entries on its classic end record
    // says "see Zip64" all the same. Puts the missing records in front of
    // the classic one, which must end the file (no comment).
    bool CompleteZip64End(uint64_t entries) {
        constexpr uint32_t kEnd = 0x06054b50, kEnd64 = 0x06064b50, kLocator = 0x07064b50;
        if (!Flush() || position < 22 + 20) return false;
        uint8_t tail[42];
        const uint64_t endPos = position - 22;
        LARGE_INTEGER at;
        at.QuadPart = LONGLONG(position - sizeof tail);
        DWORD got = 0;
        if (!SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) ||
            !ReadFile(file.Get(), tail, sizeof tail, &got, nullptr) || got != sizeof tail) {
            lastError = GetLastError();
            return false;
        }
        const auto get = [&](size_t offset, int bytes) {
            uint64_t v = 0;
            for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | tail[offset + size_t(i)];
            return v;
        };
        if (get(20, 4) != kEnd) return false;
        if (get(0, 4) == kLocator) return true; // written already
        const uint64_t cdSize = get(20 + 12, 4), cdOffset = get(20 + 16, 4);
        std::vector<uint8_t> out;
        Put(out, kEnd64, 4);
        Put(out, 44, 8); // size of the rest of this record
        Put(out, 45, 2); // made by: version 4.5
        Put(out, 45, 2); // needed to extract
        Put(out, 0, 4);
        Put(out, 0, 4);
        Put(out, entries, 8);
        Put(out, entries, 8);
        Put(out, cdSize, 8);
        Put(out, cdOffset, 8);
        Put(out, kLocator, 4);
        Put(out, 0, 4);
        Put(out, endPos, 8);
        Put(out, 1, 4);
        out.insert(out.end(), tail + 20, tail + 42); // the classic record as it was
        if (Seek(nullptr, this, endPos, ZLIB_FILEFUNC_SEEK_SET) != 0) return false;
        pending = std::move(out);
        position += pending.size();
        return Flush();
    }
};

TSetupZipWriter::TSetupZipWriter(const String& fileName, uint64_t zip64Threshold)
    : fileName_(fileName), zip64Threshold_(zip64Threshold), state_(std::make_unique<TState>()),
      buffer_(1024 * 1024) {
    // Others may read the archive while it grows, never write it.
    state_->file = TZUXKernelHandle(
        CreateFileW(WStr(LongPathForm(fileName)), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const uint32_t error = GetLastError();
    if (!state_->file)
        throw EInstallerBackupError(
            Format(u"Cannot create file \"%s\". %s", {fileName, SysErrorMessage(error)}));
    zlib_filefunc64_def functions{};
    functions.zopen64_file = &TState::Open;
    functions.zread_file = &TState::Read;
    functions.zwrite_file = &TState::Write;
    functions.ztell64_file = &TState::Tell;
    functions.zseek64_file = &TState::Seek;
    functions.zclose_file = &TState::CloseFile;
    functions.zerror_file = &TState::Error;
    functions.opaque = state_.get();
    state_->zip = zipOpen2_64(WStr(fileName), APPEND_STATUS_CREATE, nullptr, &functions);
    if (!state_->zip)
        throw EInstallerBackupError(Format(u"Cannot create file \"%s\". %s",
                                           {fileName, SysErrorMessage(state_->lastError)}));
}

TSetupZipWriter::~TSetupZipWriter() {
    // What was written so far stays a readable archive.
    if (state_->zip && zipClose(state_->zip, nullptr) == ZIP_OK && entries_ >= 0xFFFF)
        state_->CompleteZip64End(entries_);
}

void TSetupZipWriter::RaiseFileError(const String& fullPath, const String& message,
                                     uint32_t osError) {
    throw EInstallerBackupError(
        Format(u"An error occurs while backuping the \"%s\" file (%d)\r\n%s\r\n%s",
               {fullPath, int64_t(ZUX::GetFileSize(fullPath)), message, SysErrorMessage(osError)}));
}

void TSetupZipWriter::AddFile(const String& fullPath, const String& entryName) {
    const TZUXKernelHandle file(CreateFileW(WStr(LongPathForm(fullPath)), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                                            nullptr));
    if (!file) {
        const uint32_t error = GetLastError();
        RaiseFileError(fullPath,
                       Format(u"Cannot open file \"%s\". %s", {fullPath, SysErrorMessage(error)}),
                       error);
    }
    LARGE_INTEGER size{};
    GetFileSizeEx(file.Get(), &size);
    AddEntry(fullPath, entryName, uint64_t(size.QuadPart), [&](void* buffer, uint32_t capacity) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer, capacity, &got, nullptr)) {
            const uint32_t error = GetLastError();
            RaiseFileError(fullPath, SReadError, error);
        }
        return uint32_t(got);
    });
}

void TSetupZipWriter::AddData(const void* data, size_t size, const String& entryName) {
    size_t done = 0;
    AddEntry(entryName, entryName, size, [&](void* buffer, uint32_t capacity) {
        const size_t n = std::min<size_t>(capacity, size - done);
        std::memcpy(buffer, static_cast<const uint8_t*>(data) + done, n);
        done += n;
        return uint32_t(n);
    });
}

void TSetupZipWriter::AddEntry(const String& source, const String& entryName, uint64_t size,
                               const std::function<uint32_t(void*, uint32_t)>& read) {
    if (!state_->zip) throw EInvalidOperation(u"The archive is closed");
    // Minizip reserves the Zip64 sizes in the local header only when asked
    // up front; without them an entry past 4 GiB would get cut sizes.
    const bool zip64 = size >= zip64Threshold_;

    SYSTEMTIME now;
    GetLocalTime(&now);
    zip_fileinfo info{};
    info.tmz_date.tm_sec = now.wSecond;
    info.tmz_date.tm_min = now.wMinute;
    info.tmz_date.tm_hour = now.wHour;
    info.tmz_date.tm_mday = now.wDay;
    info.tmz_date.tm_mon = now.wMonth - 1;
    info.tmz_date.tm_year = now.wYear;

    const std::string name = ToUtf8(StringReplace(entryName, u"\\", u"/"));
    constexpr uLong kUtf8Names = 1u << 11;
    const auto zipFailed = [&](int code) {
        const uint32_t error = state_->lastError;
        RaiseFileError(source,
                       error ? String(SWriteError)
                             : Format(u"Cannot write the archive \"%s\" (%d)", {fileName_, code}),
                       error);
    };
    int code =
        zipOpenNewFileInZip4_64(state_->zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                Z_DEFAULT_STRATEGY, nullptr, 0, 0, kUtf8Names, zip64 ? 1 : 0);
    if (code != ZIP_OK) zipFailed(code);
    ++entries_; // from here on the archive holds the entry, whole or not

    uint64_t total = 0;
    for (;;) {
        const uint32_t got = read(buffer_.data(), uint32_t(buffer_.size()));
        if (got == 0) break;
        total += got;
        code = zipWriteInFileInZip(state_->zip, buffer_.data(), got);
        if (code != ZIP_OK) zipFailed(code);
    }
    if (!zip64 && total >= 0xFFFFFFFFu)
        RaiseFileError(source, u"The file grew past 4 GiB while it was archived", 0);
    code = zipCloseFileInZip(state_->zip);
    if (code != ZIP_OK) zipFailed(code);
}

void TSetupZipWriter::Close() {
    if (!state_->zip) return;
    int code = zipClose(state_->zip, nullptr);
    state_->zip = nullptr;
    if (code == ZIP_OK && entries_ >= 0xFFFF && !state_->CompleteZip64End(entries_))
        code = ZIP_ERRNO;
    state_->file.Close();
    if (code != ZIP_OK)
        throw EInstallerBackupError(Format(u"Cannot write the archive \"%s\" (%d)\r\n%s",
                                           {fileName_, code, SysErrorMessage(state_->lastError)}));
}
