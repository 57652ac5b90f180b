// ipk5: builds, lists, extracts and verifies IPK5 packages on the build host.
#include "tools/ipk5/Commands.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

using namespace ipk5;

namespace {

constexpr const char* kUsage = R"(Usage:
  ipk5 pack OUT [--level N] [--key TEXT] FOLDER|FILE...
  ipk5 list [--key TEXT] [--max-size N] FILE
  ipk5 extract [--key TEXT] [--max-size N] FILE [NAME...] [-o DIR]
  ipk5 verify [--key TEXT] [--max-size N] FILE
  ipk5 --help

pack     Builds the package OUT. A FOLDER adds every file below it, named by its
         path relative to that folder with backslashes between folders; a FILE
         is added under its bare name. Entries are sorted by the byte order of
         their UTF-8 names. Names that differ only in case are refused: the
         installer finds names ignoring case. Symbolic links to files are packed
         as their files; links to folders are not followed.
         OUT is written beside itself and replaced only when complete.
  --level N   LZMA level 0 to 9 (default 4, what the installer uses).
  --key TEXT  the scrambling key (default: the installer's package key); list,
              extract and verify take it too, to read such a package.
list     Shows size, offset and name of every entry, in table order.
extract  Writes every entry (or the NAMEs given, found ignoring case) below DIR
         (default: the current folder), creating folders as needed and
         replacing existing files. An entry is written only when its name is a
         plain relative path (separators \ or /): names that are absolute or
         hold a drive or stream colon, an empty, "." or ".." component, or a
         control character are refused with a message, and nothing is ever
         written outside DIR, not even through symbolic links found there. Of
         entries that land on the same file, the first wins, as in the installer.
verify   Reads the whole package: header, checksum, file table, and that every
         entry lies inside the file data.
Reading takes packages from anywhere, so it says what is wrong ("not an IPK5
package", "wrong key", "truncated", corrupted) and refuses a package whose
header claims more content than --max-size N (bytes, or with K, M or G;
default 1G, at most 4G) before decoding anything.

Exit status: 0 success; 1 failure (unreadable or corrupted package, an entry
refused or not written, an I/O error), with the reason on stderr; 2 bad usage.
A progress bar is shown on stderr when it is a terminal.
)";

class TUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Splits the words after the command into options and operands; "--" ends
// the options. Options take their value as the next word or after "=".
class TArguments {
public:
    TArguments(int argc, char** argv, int first) : words_(argv + first, argv + argc) {}

    // The value of an option with a value, if given; the option's last use wins.
    template <typename Handler> void Parse(const std::vector<std::string>& valued, Handler handle) {
        bool options = true;
        for (size_t i = 0; i < words_.size(); ++i) {
            const std::string& word = words_[i];
            if (options && word == "--") {
                options = false;
            } else if (options && word.size() > 1 && word[0] == '-') {
                const size_t eq = word.find('=');
                const std::string name = word.substr(0, eq);
                bool takesValue = false;
                for (const auto& v : valued) takesValue |= v == name;
                if (!takesValue) {
                    if (eq != std::string::npos || !handle(name, nullptr))
                        throw TUsageError("unknown option " + word);
                    continue;
                }
                std::string value;
                if (eq != std::string::npos)
                    value = word.substr(eq + 1);
                else if (i + 1 < words_.size())
                    value = words_[++i];
                else
                    throw TUsageError("option " + name + " needs a value");
                handle(name, &value);
            } else {
                Operands.push_back(word);
            }
        }
    }

    std::vector<std::string> Operands;

private:
    std::vector<std::string> words_;
};

int ParseLevel(const std::string& text) {
    if (text.size() != 1 || text[0] < '0' || text[0] > '9')
        throw TUsageError("--level takes a number from 0 to 9, not \"" + text + "\"");
    return text[0] - '0';
}

// A size in bytes, with an optional K, M or G (binary units), at most 4 GiB.
int64_t ParseSize(const std::string& text) {
    size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    const std::string unit = text.substr(digits);
    int shift = 0;
    if (unit == "K" || unit == "k")
        shift = 10;
    else if (unit == "M" || unit == "m")
        shift = 20;
    else if (unit == "G" || unit == "g")
        shift = 30;
    else if (!unit.empty())
        digits = 0;
    if (digits == 0 || digits > 10)
        throw TUsageError("--max-size takes a size such as 2G or 500M, not \"" + text + "\"");
    const int64_t value = std::stoll(text.substr(0, digits)) << shift;
    if (value > (int64_t(1) << 32))
        throw TUsageError("--max-size: a package holds at most 4G of content");
    return value;
}

bool IsHelp(std::string_view word) {
    return word == "--help" || word == "-h" || word == "help";
}

int Run(int argc, char** argv, TConsole& console) {
    if (argc < 2) throw TUsageError("no command given");
    const std::string command = argv[1];
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--") break;
        if (IsHelp(argv[i]) && (i == 1 || std::string_view(argv[i]) != "help")) {
            std::fputs(kUsage, stdout);
            return ExitOk;
        }
    }

    TArguments args(argc, argv, 2);
    if (command == "pack") {
        TPackOptions options;
        args.Parse({"--level", "--key"}, [&](const std::string& name, const std::string* value) {
            if (name == "--level") options.Level = ParseLevel(*value);
            if (name == "--key") {
                options.Key = PathToString(*value);
                if (options.Key.empty()) throw TUsageError("--key must not be empty");
            }
            return true;
        });
        if (args.Operands.size() < 2) throw TUsageError("pack needs OUT and at least one input");
        options.Output = args.Operands[0];
        options.Inputs.assign(args.Operands.begin() + 1, args.Operands.end());
        return Pack(options, console);
    }
    TReadOptions read;
    const auto readOption = [&](const std::string& name, const std::string* value) {
        if (name == "--key") {
            read.Key = PathToString(*value);
            if (read.Key.empty()) throw TUsageError("--key must not be empty");
        } else if (name == "--max-size") {
            read.MaxContent = ParseSize(*value);
        } else {
            return false;
        }
        return true;
    };
    if (command == "extract") {
        std::string folder = ".";
        args.Parse({"-o", "--output", "--key", "--max-size"},
                   [&](const std::string& name, const std::string* value) {
                       if (readOption(name, value)) return true;
                       folder = *value;
                       return true;
                   });
        if (args.Operands.empty()) throw TUsageError("extract needs a package");
        if (folder.empty()) throw TUsageError("-o needs a folder");
        const std::vector<std::string> names(args.Operands.begin() + 1, args.Operands.end());
        return Extract(args.Operands[0], names, folder, console, read);
    }
    if (command == "list" || command == "verify") {
        args.Parse({"--key", "--max-size"}, readOption);
        if (args.Operands.size() != 1) throw TUsageError(command + " takes one package");
        return command == "list" ? List(args.Operands[0], console, read)
                                 : Verify(args.Operands[0], console, read);
    }
    throw TUsageError("unknown command \"" + command + "\"");
}

} // namespace

int main(int argc, char** argv) {
    TConsole console(::isatty(STDERR_FILENO) == 1);
    try {
        const int result = Run(argc, argv, console);
        if (std::fflush(stdout) != 0) {
            console.Error(std::string("cannot write the output: ") + std::strerror(errno));
            return ExitFailure;
        }
        return result;
    } catch (const TUsageError& e) {
        console.Error(std::string(e.what()) + "\nTry 'ipk5 --help'.");
        return ExitUsage;
    } catch (const std::bad_alloc&) {
        console.Error("out of memory");
    } catch (const std::filesystem::filesystem_error& e) {
        console.Error(e.path1().string() + ": " + e.code().message());
    } catch (const std::exception& e) {
        // The support library's exceptions carry their message in UTF-8 here.
        console.Error(e.what());
    }
    return ExitFailure;
}
