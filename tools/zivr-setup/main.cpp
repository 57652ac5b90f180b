// zivr-setup: builds a finished Setup.exe from a prebuilt stub, a setup folder
// and a product folder on the build host, checks the folders first, signs the
// result on request, and verifies a built installer.
#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/Strings.h"
#include "package/Package.h"
#include "tools/ipk5/Commands.h"
#include "tools/ipk5/TemporaryFile.h"
#include "tools/zivr-setup/Checks.h"
#include "tools/zivr-setup/PeResources.h"
#include "tools/zivr-setup/Signing.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <new>
#include <string>
#include <vector>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace zivrsetup;

namespace {

constexpr const char* kUsage = R"(Usage:
  zivr-setup build --setup DIR --product DIR [--stub FILE] [--level N]
                   [--sign-pkcs12 FILE --password-file FILE [--timestamp URL]]
                   -o OUT
  zivr-setup check --setup DIR --product DIR
  zivr-setup verify FILE [--ca FILE]
  zivr-setup --help

build    Checks both folders, packs them and writes them into a copy of the stub
         as its "SETUP" and "PRODUCT" resources. OUT is written beside itself
         and replaced only when complete (and signed, when asked); the same
         inputs give the same bytes unless the result is signed.
  --stub FILE      the prebuilt program (default: SetupStub.exe beside this tool)
  --level N        LZMA level 0 to 9 of both packages (default: the setup
                   package 4, the product package 7, as the CMake build packs)
  --sign-pkcs12 FILE, --password-file FILE
                   sign the result with osslsigncode: the certificate and key,
                   and a file whose first line is the key's password
  --timestamp URL  a time-stamping server for the signature
check    Only the checks of build: every error and warning, with file and line.
verify   Reads both packages of a built installer and shows its signature and
         signer (osslsigncode verify; --ca names the certificates to trust).

Exit status: 0 success; 1 failure (a check found errors, a file could not be
read or written, signing or verification failed), with the reasons on stderr;
2 bad usage.
)";

enum ExitCode : int { ExitOk = 0, ExitFailure = 1, ExitUsage = 2 };

class EUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Options (with a value as the next word or after "=") and operands.
struct TArguments {
    std::map<std::string, std::string> Options;
    std::vector<std::string> Operands;

    TArguments(int argc, char** argv, const std::vector<std::string>& known) {
        for (int i = 2; i < argc; ++i) {
            std::string word = argv[i];
            if (word.size() < 2 || word[0] != '-') {
                Operands.push_back(word);
                continue;
            }
            const size_t eq = word.find('=');
            const std::string name = word.substr(0, eq);
            if (std::find(known.begin(), known.end(), name) == known.end())
                throw EUsage("unknown option " + name);
            if (eq != std::string::npos)
                Options[name] = word.substr(eq + 1);
            else if (i + 1 < argc)
                Options[name] = argv[++i];
            else
                throw EUsage("option " + name + " needs a value");
        }
    }
    std::string Get(const std::string& name) const {
        const auto it = Options.find(name);
        return it == Options.end() ? std::string() : it->second;
    }
    std::string Need(const std::string& name) const {
        const std::string value = Get(name);
        if (value.empty()) throw EUsage(name + " is required");
        return value;
    }
};

// A new folder beside the target, removed with what it holds.
class TTemporaryFolder {
public:
    explicit TTemporaryFolder(const std::string& target) {
        const fs::path p(target);
        std::string name = (p.parent_path() / ("." + p.filename().string() + ".XXXXXX")).string();
        if (!::mkdtemp(name.data()))
            throw ipk5::TToolError(
                target + ": cannot create a temporary folder beside it: " + std::strerror(errno));
        path_ = std::move(name);
    }
    ~TTemporaryFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TTemporaryFolder(const TTemporaryFolder&) = delete;
    TTemporaryFolder& operator=(const TTemporaryFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

TBytes ReadAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw ipk5::TToolError(file + ": " + std::strerror(errno));
    TBytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw ipk5::TToolError(file + ": cannot be read");
    return bytes;
}

void WriteAll(int fd, const TBytes& bytes, const std::string& target) {
    ipk5::TDescriptorStream stream(fd);
    if (stream.Write(bytes.data(), int64_t(bytes.size())) != int64_t(bytes.size()))
        throw ipk5::TToolError(target + ": cannot write: " + std::strerror(stream.Error()));
}

// Lists the findings; true when none is an error.
bool ReportFindings(const std::string& setup, const std::string& product) {
    const std::vector<TFinding> findings = CheckFolders(setup, product);
    int errors = 0, warnings = 0;
    for (const TFinding& f : findings) {
        std::fprintf(stderr, "%s\n", FormatFinding(f).c_str());
        (f.Error ? errors : warnings)++;
    }
    if (errors) std::fprintf(stderr, "%d errors, %d warnings: nothing built\n", errors, warnings);
    return errors == 0;
}

std::string DefaultStub() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("SetupStub.exe") : (self.parent_path() / "SetupStub.exe").string();
}

TBytes PackFolder(const std::string& folder, int level, const std::string& output,
                  ipk5::TConsole& console, size_t& files) {
    ipk5::TPackOptions options;
    options.Output = output;
    options.Level = level;
    options.Inputs = {folder};
    ZUX::TZUXMemoryStream stream;
    files = ipk5::PackTo(options, console, stream).Files;
    const std::string_view data = stream.Data();
    return TBytes(data.begin(), data.end());
}

int Build(const TArguments& args, ipk5::TConsole& console) {
    const std::string setup = args.Need("--setup"), product = args.Need("--product");
    const std::string out = args.Need("-o");
    const std::string stub = args.Get("--stub").empty() ? DefaultStub() : args.Get("--stub");
    // The product package is the large one: level 7 makes it smaller and
    // reads no slower than 4, having less input to decode.
    int setupLevel = 4, productLevel = 7;
    if (const std::string text = args.Get("--level"); !text.empty()) {
        if (text.size() != 1 || text[0] < '0' || text[0] > '9')
            throw EUsage("--level takes a number from 0 to 9, not \"" + text + "\"");
        setupLevel = productLevel = text[0] - '0';
    }
    TSignOptions sign{args.Get("--sign-pkcs12"), args.Get("--password-file"),
                      args.Get("--timestamp")};
    if (sign.Pkcs12.empty() != sign.PasswordFile.empty())
        throw EUsage("--sign-pkcs12 and --password-file go together");
    if (sign.Pkcs12.empty() && !sign.TimestampUrl.empty())
        throw EUsage("--timestamp needs --sign-pkcs12");
    if (fs::path(out).filename().empty() || fs::is_directory(out))
        throw EUsage(out + ": the output must be a file name, not a folder");

    if (!ReportFindings(setup, product)) return ExitFailure;

    const TBytes image = ReadAll(stub);
    size_t setupFiles = 0, productFiles = 0;
    std::vector<TRcData> resources(2);
    resources[0].Name = u"SETUP";
    resources[0].Data = PackFolder(setup, setupLevel, out, console, setupFiles);
    resources[1].Name = u"PRODUCT";
    resources[1].Data = PackFolder(product, productLevel, out, console, productFiles);
    TBytes result;
    try {
        result = AddRcData(image, resources);
    } catch (const EPeImageError& e) {
        throw ipk5::TToolError(stub + ": " + e.what());
    }

    ipk5::TTemporaryFile unsigned_(out);
    WriteAll(unsigned_.Descriptor(), result, out);
    if (sign.Pkcs12.empty()) {
        unsigned_.Replace();
    } else {
        // The signed copy replaces the output; the unsigned one never does.
        // The signing tool writes only new files: it gets a folder of its own.
        TTemporaryFolder folder(out);
        const std::string signedFile = folder.Path() + "/signed.exe";
        SignFile(sign, unsigned_.Path(), signedFile);
        if (const int fd = ::open(signedFile.c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
        if (::rename(signedFile.c_str(), out.c_str()) != 0)
            throw ipk5::TToolError(out + ": cannot replace: " + std::strerror(errno));
    }
    std::printf("%s: %zu setup files, %zu product files, %zu bytes%s\n", out.c_str(), setupFiles,
                productFiles, static_cast<size_t>(fs::file_size(out)),
                sign.Pkcs12.empty() ? "" : ", signed");
    return ExitOk;
}

int Verify(const std::string& file, const std::string& ca) {
    const TBytes image = ReadAll(file);
    std::vector<TPeResource> resources;
    try {
        resources = ReadPeResources(image);
    } catch (const EPeImageError& e) {
        throw ipk5::TToolError(file + ": " + e.what());
    }
    int result = ExitOk;
    for (const char16_t* name : {u"SETUP", u"PRODUCT"}) {
        const std::string text = ZUX::ToUtf8(name);
        const TPeResource* found = nullptr;
        for (const TPeResource& r : resources)
            if (r.Type.empty() && r.TypeId == 10 && r.Name == name) found = &r;
        if (!found) {
            std::printf("%s: no %s package\n", file.c_str(), text.c_str());
            result = ExitFailure;
            continue;
        }
        try {
            ZUX::TZUXMemoryStream stream(std::string_view(
                reinterpret_cast<const char*>(found->Data.data()), found->Data.size()));
            TSetupPackageReader reader(stream);
            const TSetupPackageFileTable& table = reader.FileTable();
            for (int i = 0; i < table.Count(); ++i) reader.Extract(table.Items(i));
            std::printf("%s: %d files, verified\n", text.c_str(), table.Count());
        } catch (const std::exception& e) {
            std::printf("%s: %s\n", text.c_str(), e.what());
            result = ExitFailure;
        }
    }
    if (!PeIsSigned(image)) {
        std::printf("not signed\n");
        return result;
    }
    std::fflush(stdout);
    const int code = VerifySignature(file, ca);
    if (code < 0)
        throw ipk5::TToolError(std::string("cannot start osslsigncode: ") + std::strerror(errno) +
                               " (is it installed?)");
    return code == 0 ? result : ExitFailure;
}

int Run(int argc, char** argv, ipk5::TConsole& console) {
    if (argc < 2) throw EUsage("no command given");
    const std::string command = argv[1];
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kUsage, stdout);
            return ExitOk;
        }
    if (command == "build") {
        const TArguments args(argc, argv,
                              {"--setup", "--product", "--stub", "--level", "-o", "--output",
                               "--sign-pkcs12", "--password-file", "--timestamp"});
        if (!args.Operands.empty()) throw EUsage("unexpected " + args.Operands[0]);
        TArguments copy = args;
        if (copy.Get("-o").empty()) copy.Options["-o"] = copy.Get("--output");
        return Build(copy, console);
    }
    if (command == "check") {
        const TArguments args(argc, argv, {"--setup", "--product"});
        if (!args.Operands.empty()) throw EUsage("unexpected " + args.Operands[0]);
        const bool ok = ReportFindings(args.Need("--setup"), args.Need("--product"));
        if (ok) std::printf("no errors\n");
        return ok ? ExitOk : ExitFailure;
    }
    if (command == "verify") {
        const TArguments args(argc, argv, {"--ca"});
        if (args.Operands.size() != 1) throw EUsage("verify takes one file");
        return Verify(args.Operands[0], args.Get("--ca"));
    }
    throw EUsage("unknown command \"" + command + "\"");
}

} // namespace

int main(int argc, char** argv) {
    ipk5::TConsole console(::isatty(STDERR_FILENO) == 1, "zivr-setup");
    try {
        const int result = Run(argc, argv, console);
        if (std::fflush(stdout) != 0) {
            console.Error(std::string("cannot write the output: ") + std::strerror(errno));
            return ExitFailure;
        }
        return result;
    } catch (const EUsage& e) {
        console.Error(std::string(e.what()) + "\nTry 'zivr-setup --help'.");
        return ExitUsage;
    } catch (const std::bad_alloc&) {
        console.Error("out of memory");
    } catch (const std::filesystem::filesystem_error& e) {
        console.Error(e.path1().string() + ": " + e.code().message());
    } catch (const std::exception& e) {
        console.Error(e.what());
    }
    return ExitFailure;
}
