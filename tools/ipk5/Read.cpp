// ipk5 list, extract and verify: everything that reads a package.
#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Locale.h"
#include "package/LzmaStream.h"
#include "tools/ipk5/Commands.h"
#include "tools/ipk5/EntryNames.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ZUX;

namespace ipk5 {

namespace {

std::string Quoted(StringView name) {
    return "\"" + Printable(name) + "\"";
}

// The entry's bytes in the content, or the reader's own read error when the
// table points outside it.
std::string_view EntryBytes(const TSetupPackageReader& reader,
                            const TSetupPackageFileTableItem& item) {
    const std::string_view content = reader.Content().Data();
    const auto size = int64_t(content.size());
    if (item.Offset < 0 || item.Size < 0 || item.Offset > size || item.Size > size - item.Offset)
        throw EReadError(SReadError);
    return content.substr(size_t(item.Offset), size_t(item.Size));
}

// Where the file data ends and the table begins.
int64_t FileDataSize(const TSetupPackageReader& reader) {
    const std::string_view content = reader.Content().Data();
    const auto* p = reinterpret_cast<const uint8_t*>(content.data() + content.size() - 4);
    const auto tableLength =
        int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
    return int64_t(content.size()) - 4 - tableLength;
}

// Writes entries below one folder. Every component is opened relative to its
// parent without following symbolic links, so neither the names nor links
// already in the folder lead outside it; existing files are replaced, not
// written through.
class TExtractor {
public:
    explicit TExtractor(const std::string& folder) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        root_ = TZUXDescriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!root_) throw TToolError(folder + ": " + std::strerror(errno));
    }

    // Empty on success, otherwise why the entry was not written.
    std::string Write(const std::vector<String>& components, std::string_view bytes) {
        TZUXDescriptor folder;
        int current = root_.Get();
        std::string path;
        for (size_t i = 0; i + 1 < components.size(); ++i) {
            const std::string part = ToUtf8(components[i]);
            path += part + "/";
            int fd =
                ::openat(current, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0 && errno == ENOENT) {
                if (::mkdirat(current, part.c_str(), 0777) != 0 && errno != EEXIST)
                    return path + ": " + std::strerror(errno);
                fd = ::openat(current, part.c_str(),
                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            }
            if (fd < 0) {
                if (errno == ELOOP || errno == ENOTDIR)
                    return path + " is not a folder (or is a symbolic link)";
                return path + ": " + std::strerror(errno);
            }
            folder = TZUXDescriptor(fd);
            current = fd;
        }

        const std::string leaf = ToUtf8(components.back());
        path += leaf;
        if (::unlinkat(current, leaf.c_str(), 0) != 0 && errno != ENOENT)
            return path + ": " +
                   (errno == EISDIR ? "a folder is in the way" : std::strerror(errno));
        TZUXDescriptor file(::openat(current, leaf.c_str(),
                                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!file) return path + ": " + std::strerror(errno);
        for (size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(file.Get(), bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return path + ": " + std::strerror(n < 0 ? errno : ENOSPC);
            done += size_t(n);
            if (onWritten) onWritten(int64_t(n));
        }
        // Closing reports whether the last writes reached the file.
        if (::close(file.Release()) != 0) return path + ": " + std::strerror(errno);
        return {};
    }

    std::function<void(int64_t)> onWritten;

private:
    TZUXDescriptor root_;
};

} // namespace

void TConsole::Error(const std::string& message) {
    Progress.Finish();
    std::fprintf(stderr, "%s: %s\n", program_.c_str(), message.c_str());
}

void TConsole::Warning(const std::string& message) {
    Progress.Finish();
    std::fprintf(stderr, "%s: warning: %s\n", program_.c_str(), message.c_str());
}

String PathToString(const std::string& path) {
    String out;
    if (!TryDecodeUtf8(path, out)) throw TToolError(path + ": the path is not valid UTF-8");
    return out;
}

namespace {

// Counts what the decoder writes and keeps none of it.
class TNullStream : public TZUXStream {
public:
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t count) override {
        written_ += count;
        return count;
    }
    int64_t Seek(int64_t, SeekOrigin) override { return written_; }
    void SetSize(int64_t) override {}
    int64_t Written() const { return written_; }

private:
    int64_t written_ = 0;
};

constexpr int64_t kHeaderSize = 12;
constexpr uint8_t kFirstInvalidProperties = 9 * 5 * 5;

// Decodes once more without keeping anything: true when the packed data ran
// out before the content the header claims.
bool EndsEarly(TZUXFileStream& source, uint32_t size, const String& keyText) {
    source.Seek(kHeaderSize, SeekOrigin::Begin);
    TCountingStream counting(source, [](int64_t) {});
    TNullStream sink;
    TSetupKey key;
    key.Init(keyText);
    try {
        LzmaDecodeStream(counting, sink, size,
                         [&key](uint8_t* buffer, size_t length) { key.Apply(buffer, length); });
    } catch (const ZUX::Exception&) {
        return false;
    }
    return sink.Written() < int64_t(size) && counting.Count() >= source.Size() - kHeaderSize;
}

} // namespace

std::unique_ptr<TSetupPackageReader> ReadPackage(const std::string& file, TConsole& console,
                                                 const TReadOptions& options) {
    TZUXFileStream source(PathToString(file), fmOpenRead | fmShareDenyWrite);
    const int64_t fileSize = source.Size();
    const auto fail = [&](const std::string& why) { throw TToolError(file + ": " + why); };
    uint8_t header[kHeaderSize + 1] = {};
    const int64_t got = source.Read(header, sizeof header);
    if (got >= 4 && std::memcmp(header, "IPK5", 4) != 0) fail("not an IPK5 package");
    if (got < int64_t(sizeof header))
        fail("truncated: " + std::to_string(fileSize) + " bytes, less than a package's header");
    const uint32_t size = uint32_t(header[8]) | uint32_t(header[9]) << 8 |
                          uint32_t(header[10]) << 16 | uint32_t(header[11]) << 24;
    if (int64_t(size) > options.MaxContent)
        fail("the package claims " + std::to_string(size) + " bytes of content, more than the " +
             std::to_string(options.MaxContent) + " allowed (raise it with --max-size)");
    // The packed data opens with the coder's properties: with another key they
    // come out as values no coder writes.
    const std::string wrongKey =
        "wrong key: the package was not scrambled with " +
        std::string(options.Key == SetupPackageKey ? "the installer's key (try --key)"
                                                   : "the key given");
    const std::string keyBytes = StringToAnsi(options.Key);
    if (!keyBytes.empty() &&
        uint8_t(header[kHeaderSize] ^ uint8_t(keyBytes[0])) >= kFirstInvalidProperties)
        fail(wrongKey);
    source.Seek(0, SeekOrigin::Begin);

    console.Progress.Start("Reading", fileSize);
    TCountingStream counting(source, [&](int64_t n) { console.Progress.Update(n); });
    try {
        auto reader = std::make_unique<TSetupPackageReader>(counting, options.Key);
        console.Progress.Finish();
        return reader;
    } catch (const ESetupPackageReadError& e) {
        console.Progress.Finish();
        if (EndsEarly(source, size, options.Key))
            fail("truncated: the packed data ends before the " + std::to_string(size) +
                 " bytes of content");
        fail(e.what());
    } catch (const EInvalidOperation& e) {
        // Properties the coder does not take: the rest of them, descrambled
        // with a key that is not the package's.
        if (std::string_view(e.what()) == "LZMA Error (4)") fail(wrongKey);
        fail(e.what());
    } catch (const ZUX::Exception& e) {
        fail(e.what());
    }
    return nullptr;
}

int List(const std::string& file, TConsole& console, const TReadOptions& options) {
    const auto reader = ReadPackage(file, console, options);
    const TSetupPackageFileTable& table = reader->FileTable();
    std::printf("%12s %12s  %s\n", "Size", "Offset", "Name");
    for (int i = 0; i < table.Count(); ++i) {
        const auto& item = table.Items(i);
        std::printf("%12lld %12lld  %s\n", static_cast<long long>(item.Size),
                    static_cast<long long>(item.Offset), Printable(item.Name).c_str());
    }
    return ExitOk;
}

int Extract(const std::string& file, const std::vector<std::string>& names,
            const std::string& folder, TConsole& console, const TReadOptions& options) {
    const auto reader = ReadPackage(file, console, options);
    const TSetupPackageFileTable& table = reader->FileTable();
    int result = ExitOk;

    std::vector<const TSetupPackageFileTableItem*> wanted;
    if (names.empty()) {
        for (int i = 0; i < table.Count(); ++i) wanted.push_back(&table.Items(i));
    } else {
        for (const auto& name : names) {
            if (const auto* item = table.Find(FromUtf8(name)))
                wanted.push_back(item);
            else {
                console.Error(file + ": \"" + name + "\" is not in the package");
                result = ExitFailure;
            }
        }
    }

    // Decide every entry before writing any: the names, and where two of
    // them would land in one file, which the installer would find first.
    struct TJob {
        const TSetupPackageFileTableItem* Item;
        std::vector<String> Components;
    };
    std::vector<TJob> jobs;
    std::set<String> targets;
    int64_t total = 0;
    for (const auto* item : wanted) {
        TJob job{item, {}};
        if (const std::string reason = SplitEntryName(item->Name, job.Components);
            !reason.empty()) {
            console.Error("refusing " + Quoted(item->Name) + ": " + reason);
            result = ExitFailure;
            continue;
        }
        String key;
        for (const auto& c : job.Components) key += UpperCase(c) + u'\\';
        if (!targets.insert(key).second) {
            console.Warning("skipping " + Quoted(item->Name) +
                            ": an earlier entry has the same name ignoring case");
            continue;
        }
        total += item->Size > 0 ? item->Size : 0;
        jobs.push_back(std::move(job));
    }

    TExtractor extractor(folder);
    int64_t done = 0;
    extractor.onWritten = [&](int64_t n) { console.Progress.Update(done += n); };
    console.Progress.Start("Extracting", total);
    for (const auto& job : jobs) {
        std::string error;
        try {
            error = extractor.Write(job.Components, EntryBytes(*reader, *job.Item));
        } catch (const ZUX::Exception& e) {
            error = e.what();
        }
        if (!error.empty()) {
            console.Error("cannot extract " + Quoted(job.Item->Name) + ": " + error);
            result = ExitFailure;
        }
    }
    console.Progress.Finish();
    return result;
}

int Verify(const std::string& file, TConsole& console, const TReadOptions& options) {
    const auto reader = ReadPackage(file, console, options);
    const TSetupPackageFileTable& table = reader->FileTable();
    // The reader trusts the table once the checksum matches; a package is
    // only sound when every entry lies in the file data before the table.
    const int64_t dataSize = FileDataSize(*reader);
    int result = ExitOk;
    std::set<String> names;
    for (int i = 0; i < table.Count(); ++i) {
        const auto& item = table.Items(i);
        if (item.Offset < 0 || item.Size < 0 || item.Offset > dataSize ||
            item.Size > dataSize - item.Offset) {
            console.Error(file + ": entry " + Quoted(item.Name) + " (offset " +
                          std::to_string(item.Offset) + ", size " + std::to_string(item.Size) +
                          ") lies outside the file data (" + std::to_string(dataSize) + " bytes)");
            result = ExitFailure;
        }
        std::vector<String> components;
        if (const std::string reason = SplitEntryName(item.Name, components); !reason.empty())
            console.Warning(file + ": entry " + Quoted(item.Name) +
                            " cannot be extracted as a file: " + reason);
        if (!names.insert(UpperCase(item.Name)).second)
            console.Warning(file + ": entry " + Quoted(item.Name) +
                            " is never found: an earlier entry has the same name ignoring case");
    }
    if (result == ExitOk)
        std::printf("%s: OK, %d entries, %lld bytes of content\n", file.c_str(), table.Count(),
                    static_cast<long long>(reader->Content().Data().size()));
    return result;
}

} // namespace ipk5
