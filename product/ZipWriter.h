// The backup archive's writer: a ZIP archive with deflated entries, UTF-8
// names and Zip64 records where the sizes need them.
#pragma once

#include "ZUX/Base/Strings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// A ZIP archive being written: deflated entries (default level) with UTF-8
// names (general-purpose bit 11). Entries that may reach 4 GiB get Zip64
// headers; offsets and entry counts beyond the classic limits get the Zip64
// end records. The archive is closed when the object goes, written or not.
class TSetupZipWriter {
public:
    // Files from this size on get Zip64 local headers; the margin below 4 GiB
    // covers files that grow while they are read and deflate's worst case.
    static constexpr uint64_t DefaultZip64Threshold = 0xC0000000u;

    // Creates fileName, replacing a file of that name; raises
    // EInstallerBackupError when it cannot be created.
    explicit TSetupZipWriter(const ZUX::String& fileName,
                             uint64_t zip64Threshold = DefaultZip64Threshold);
    ~TSetupZipWriter();
    TSetupZipWriter(const TSetupZipWriter&) = delete;
    TSetupZipWriter& operator=(const TSetupZipWriter&) = delete;

    // Adds the file under entryName ("\" becomes "/"), stamped with the local
    // time of the call. The file is opened so that others may keep writing
    // it. Raises EInstallerBackupError naming the file on any failure.
    void AddFile(const ZUX::String& fullPath, const ZUX::String& entryName);
    // An entry made from memory (a generated file), stamped and named alike.
    void AddData(const void* data, size_t size, const ZUX::String& entryName);
    // Writes the central directory; raises EInstallerBackupError on failure.
    void Close();

    const ZUX::String& FileName() const { return fileName_; }

private:
    struct TState;
    // read fills the buffer and gives the bytes it put there, 0 at the end.
    void AddEntry(const ZUX::String& source, const ZUX::String& entryName, uint64_t size,
                  const std::function<uint32_t(void*, uint32_t)>& read);
    [[noreturn]] void RaiseFileError(const ZUX::String& fullPath, const ZUX::String& message,
                                     uint32_t osError);

    ZUX::String fileName_;
    uint64_t zip64Threshold_;
    std::unique_ptr<TState> state_;
    std::vector<uint8_t> buffer_;
    uint64_t entries_ = 0;
};
