// ipk5 pack: files and folders into a new package, written beside the target
// and renamed into place only when complete.
#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/Locale.h"
#include "tools/ipk5/Commands.h"
#include "tools/ipk5/EntryNames.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace ZUX;

namespace ipk5 {

namespace {

constexpr int64_t kMaxContent = 0xFFFFFFFFll; // the header's 32-bit size field

// Windows refuses these in file names: no installer could write such a file.
constexpr StringView kNotInWindowsNames = u"<>\"|?*";

struct TPackItem {
    std::string Source;
    String Name;
    std::string SortKey; // the name in UTF-8; byte order gives a stable order
    int64_t Size = 0;
};

struct TFileId {
    dev_t Device = 0;
    ino_t Inode = 0;
    bool Valid = false;
    bool Is(const struct stat& st) const {
        return Valid && st.st_dev == Device && st.st_ino == Inode;
    }
};

// Turns the relative path of a file into an entry name with backslashes.
String EntryName(const fs::path& relative, const std::string& source) {
    String name;
    for (const auto& part : relative) {
        String component;
        if (!TryDecodeUtf8(part.native(), component))
            throw TToolError(source + ": the file name is not valid UTF-8");
        if (component.find(u'\\') != String::npos)
            throw TToolError(source +
                             ": the file name holds a backslash, which separates folders in a "
                             "package");
        if (!name.empty()) name += u'\\';
        name += component;
    }
    std::vector<String> components;
    if (const std::string reason = SplitEntryName(name, components); !reason.empty())
        throw TToolError(source + ": " + reason);
    if (name.find_first_of(kNotInWindowsNames) != String::npos)
        throw TToolError(source + ": the name holds a character Windows does not allow (<>\"|?*)");
    return name;
}

class TCollector {
public:
    TCollector(TConsole& console, TFileId output) : console_(console), output_(output) {}

    void Add(const std::string& input) {
        PathToString(input);
        struct stat st {};
        if (::stat(input.c_str(), &st) != 0) throw TToolError(input + ": " + std::strerror(errno));
        if (S_ISREG(st.st_mode))
            AddFile(input, fs::path(input).filename(), st);
        else if (S_ISDIR(st.st_mode))
            AddFolder(input);
        else
            throw TToolError(input + ": not a file or folder");
    }

    std::vector<TPackItem> Take() { return std::move(items_); }

private:
    void AddFile(const std::string& source, const fs::path& relative, const struct stat& st) {
        if (output_.Is(st)) {
            console_.Warning(source + ": skipped, it is the package being written");
            return;
        }
        TPackItem item;
        item.Source = source;
        item.Name = EntryName(relative, source);
        item.SortKey = ToUtf8(item.Name);
        item.Size = int64_t(st.st_size);
        items_.push_back(std::move(item));
    }

    void AddFolder(const std::string& root) {
        // Symbolic links to files are packed as the files they point to;
        // links to folders are not followed, so a loop cannot recurse forever.
        std::error_code ec;
        fs::recursive_directory_iterator it(root, fs::directory_options::none, ec), end;
        for (; !ec && it != end; it.increment(ec)) {
            const std::string path = it->path().string();
            struct stat st {};
            if (::stat(path.c_str(), &st) != 0) {
                console_.Warning(path + ": skipped: " + std::strerror(errno));
            } else if (S_ISREG(st.st_mode)) {
                AddFile(path, it->path().lexically_relative(root), st);
            } else if (S_ISDIR(st.st_mode)) {
                if (it->is_symlink())
                    console_.Warning(path + ": skipped, a symbolic link to a folder");
            } else {
                console_.Warning(path + ": skipped, not a regular file");
            }
        }
        if (ec) throw TToolError(root + ": " + ec.message());
    }

    TConsole& console_;
    TFileId output_;
    std::vector<TPackItem> items_;
};

// The builder, opened up just enough to size its content once and to see how
// far Commit's encoder has read.
class TPackBuilder : public TSetupPackageBuilder {
public:
    using TSetupPackageBuilder::TSetupPackageBuilder;
    void ReserveContent(int64_t size) { content_.Reserve(size); }
    int64_t ContentPosition() { return content_.Position(); }
    int64_t ContentSize() { return content_.Size(); }
};

// Writes to a descriptor and keeps the reason of the last failed write.
class TDescriptorStream : public TZUXStream {
public:
    explicit TDescriptorStream(int fd) : fd_(fd) {}
    int64_t Read(void* buffer, int64_t count) override {
        const ssize_t n = ::read(fd_, buffer, size_t(count));
        return n < 0 ? 0 : n;
    }
    int64_t Write(const void* buffer, int64_t count) override {
        for (;;) {
            const ssize_t n = ::write(fd_, buffer, size_t(count));
            if (n >= 0) return n;
            if (errno != EINTR) {
                error_ = errno;
                return 0;
            }
        }
    }
    int64_t Seek(int64_t offset, SeekOrigin origin) override {
        const int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                           : origin == SeekOrigin::Current ? SEEK_CUR
                                                           : SEEK_END;
        const off_t r = ::lseek(fd_, off_t(offset), whence);
        if (r < 0) throw EReadError(SReadError);
        return r;
    }
    void SetSize(int64_t size) override {
        if (::ftruncate(fd_, off_t(size)) != 0) throw EWriteError(SWriteError);
    }
    int Error() const { return error_; }

private:
    int fd_;
    int error_ = 0;
};

// A new file beside the target, removed again unless it replaces the target.
class TTemporaryFile {
public:
    explicit TTemporaryFile(const std::string& target) : target_(target) {
        const fs::path p(target);
        std::string name = (p.parent_path() / ("." + p.filename().string() + ".XXXXXX")).string();
        fd_ = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd_ < 0)
            throw TToolError(target +
                             ": cannot create a temporary file beside it: " + std::strerror(errno));
        path_ = std::move(name);
    }
    ~TTemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    int Descriptor() const { return fd_; }

    // Makes the file what a newly created one would be, puts it on the disk
    // and only then in place of the target.
    void Replace() {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd_, 0666 & ~mask) != 0 || ::fsync(fd_) != 0) Fail("cannot write");
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) Fail("cannot write");
        if (::rename(path_.c_str(), target_.c_str()) != 0) Fail("cannot replace");
        path_.clear();
    }

private:
    [[noreturn]] void Fail(const char* what) {
        throw TToolError(target_ + ": " + what + ": " + std::strerror(errno));
    }

    std::string target_;
    std::string path_;
    int fd_ = -1;
};

int64_t TableSize(const std::vector<TPackItem>& items) {
    int64_t size = 4 + 4; // count, and the table's length after it
    for (const auto& item : items) size += 2 + 2 * int64_t(item.Name.size()) + 16;
    return size;
}

} // namespace

int Pack(const TPackOptions& options, TConsole& console) {
    const std::string& out = options.Output;
    PathToString(out);
    if (fs::path(out).filename().empty() || fs::is_directory(out))
        throw TToolError(out + ": the package must be a file name, not a folder");

    TFileId outputId;
    if (struct stat st{}; ::stat(out.c_str(), &st) == 0) outputId = {st.st_dev, st.st_ino, true};

    TCollector collector(console, outputId);
    for (const auto& input : options.Inputs) collector.Add(input);
    std::vector<TPackItem> items = collector.Take();
    std::sort(items.begin(), items.end(),
              [](const TPackItem& a, const TPackItem& b) { return a.SortKey < b.SortKey; });

    // The installer finds names ignoring case: a second spelling would never be found.
    std::map<String, const TPackItem*> seen;
    int64_t dataSize = 0;
    for (const auto& item : items) {
        const auto [it, added] = seen.emplace(UpperCase(item.Name), &item);
        if (!added)
            throw TToolError("\"" + item.SortKey + "\" (" + item.Source + ") and \"" +
                             it->second->SortKey + "\" (" + it->second->Source +
                             ") would be the same entry: names are compared ignoring case");
        dataSize += item.Size;
    }
    const int64_t contentSize = dataSize + TableSize(items);
    if (contentSize > kMaxContent)
        throw TToolError(out + ": " + std::to_string(contentSize) +
                         " bytes of content; a package holds at most 4 GiB - 1 bytes");

    TPackBuilder builder(options.Key);
    builder.ReserveContent(contentSize);
    console.Progress.Start("Reading", dataSize);
    int64_t done = 0;
    for (const auto& item : items) {
        TZUXFileStream file(PathToString(item.Source), fmOpenRead | fmShareDenyWrite);
        TCountingStream counting(file, [&](int64_t n) { console.Progress.Update(done + n); });
        try {
            builder.Add(counting, item.Name);
        } catch (const EReadError& e) {
            throw TToolError(item.Source + ": " + e.what() + " (did the file change?)");
        }
        done += counting.Count();
    }

    TTemporaryFile temporary(out);
    TDescriptorStream target(temporary.Descriptor());
    console.Progress.Start("Compressing", builder.ContentSize());
    TCountingStream counting(target, [&](int64_t) {
        console.Progress.Update(builder.ContentPosition(), builder.ContentSize());
    });
    try {
        builder.Commit(counting, options.Level);
    } catch (const ZUX::Exception& e) {
        std::string message = out + ": " + e.what();
        if (target.Error() != 0) message += std::string(" (") + std::strerror(target.Error()) + ")";
        throw TToolError(message);
    }
    const int64_t packed = counting.Count();
    temporary.Replace();
    console.Progress.Finish();
    std::printf("%s: %zu files, %lld bytes of content, %lld bytes packed\n", out.c_str(),
                items.size(), static_cast<long long>(builder.ContentSize()),
                static_cast<long long>(packed));
    return ExitOk;
}

} // namespace ipk5
