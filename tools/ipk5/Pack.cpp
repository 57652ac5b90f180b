// ipk5 pack: files and folders into a new package, written beside the target
// and renamed into place only when complete.
#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/Locale.h"
#include "tools/ipk5/Commands.h"
#include "tools/ipk5/EntryNames.h"
#include "tools/ipk5/TemporaryFile.h"

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

int64_t TableSize(const std::vector<TPackItem>& items) {
    int64_t size = 4 + 4; // count, and the table's length after it
    for (const auto& item : items) size += 2 + 2 * int64_t(item.Name.size()) + 16;
    return size;
}

} // namespace

TPackResult PackTo(const TPackOptions& options, TConsole& console, TZUXStream& target,
                   const std::function<std::string()>& writeError) {
    const std::string& out = options.Output;
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

    console.Progress.Start("Compressing", builder.ContentSize());
    TCountingStream counting(target, [&](int64_t) {
        console.Progress.Update(builder.ContentPosition(), builder.ContentSize());
    });
    try {
        builder.Commit(counting, options.Level);
    } catch (const ZUX::Exception& e) {
        throw TToolError(out + ": " + e.what() + (writeError ? writeError() : std::string()));
    }
    console.Progress.Finish();
    return {items.size(), builder.ContentSize(), counting.Count()};
}

int Pack(const TPackOptions& options, TConsole& console) {
    const std::string& out = options.Output;
    PathToString(out);
    if (fs::path(out).filename().empty() || fs::is_directory(out))
        throw TToolError(out + ": the package must be a file name, not a folder");

    TTemporaryFile temporary(out);
    TDescriptorStream target(temporary.Descriptor());
    const TPackResult result = PackTo(options, console, target, [&] {
        return target.Error() ? std::string(" (") + std::strerror(target.Error()) + ")"
                              : std::string();
    });
    temporary.Replace();
    std::printf("%s: %zu files, %lld bytes of content, %lld bytes packed\n", out.c_str(),
                result.Files, static_cast<long long>(result.Content),
                static_cast<long long>(result.Packed));
    return ExitOk;
}

} // namespace ipk5
