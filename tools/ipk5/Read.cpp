// ipk5 list, extract and verify: everything that reads a package.
#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/Locale.h"
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

class TDescriptor {
public:
    explicit TDescriptor(int fd = -1) : fd_(fd) {}
    ~TDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    TDescriptor(TDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    TDescriptor& operator=(TDescriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int Get() const { return fd_; }
    // Closes and reports whether the last writes reached the file.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

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
        root_ = TDescriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (root_.Get() < 0) throw TToolError(folder + ": " + std::strerror(errno));
    }

    // Empty on success, otherwise why the entry was not written.
    std::string Write(const std::vector<String>& components, std::string_view bytes) {
        TDescriptor folder;
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
            folder = TDescriptor(fd);
            current = fd;
        }

        const std::string leaf = ToUtf8(components.back());
        path += leaf;
        if (::unlinkat(current, leaf.c_str(), 0) != 0 && errno != ENOENT)
            return path + ": " +
                   (errno == EISDIR ? "a folder is in the way" : std::strerror(errno));
        TDescriptor file(::openat(current, leaf.c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (file.Get() < 0) return path + ": " + std::strerror(errno);
        for (size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(file.Get(), bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return path + ": " + std::strerror(n < 0 ? errno : ENOSPC);
            done += size_t(n);
            if (onWritten) onWritten(int64_t(n));
        }
        if (!file.Close()) return path + ": " + std::strerror(errno);
        return {};
    }

    std::function<void(int64_t)> onWritten;

private:
    TDescriptor root_;
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

std::unique_ptr<TSetupPackageReader> ReadPackage(const std::string& file, TConsole& console) {
    TZUXFileStream source(PathToString(file), fmOpenRead | fmShareDenyWrite);
    console.Progress.Start("Reading", source.Size());
    TCountingStream counting(source, [&](int64_t n) { console.Progress.Update(n); });
    try {
        auto reader = std::make_unique<TSetupPackageReader>(counting);
        console.Progress.Finish();
        return reader;
    } catch (const ZUX::Exception& e) {
        throw TToolError(file + ": " + e.what());
    }
}

int List(const std::string& file, TConsole& console) {
    const auto reader = ReadPackage(file, console);
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
            const std::string& folder, TConsole& console) {
    const auto reader = ReadPackage(file, console);
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

int Verify(const std::string& file, TConsole& console) {
    const auto reader = ReadPackage(file, console);
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
