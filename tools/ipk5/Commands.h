// The commands of the ipk5 tool. Each returns the process exit code; failures
// that end a command are raised as TToolError (or the support library's
// exceptions) and reported by main.
#pragma once

#include "package/Package.h"
#include "tools/ipk5/Progress.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace ipk5 {

enum ExitCode : int { ExitOk = 0, ExitFailure = 1, ExitUsage = 2 };

class TToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What every command shares: the progress bar and the messages on stderr,
// which clear the bar's line first.
class TConsole {
public:
    explicit TConsole(bool progress, std::string program = "ipk5")
        : Progress(progress), program_(std::move(program)) {}
    void Error(const std::string& message);
    void Warning(const std::string& message);

    TProgressBar Progress;

private:
    std::string program_; // the prefix of its messages
};

// A UTF-8 path from the command line or the file system as a String; refuses
// bytes that are not UTF-8, since they would not come back the same.
ZUX::String PathToString(const std::string& path);

// Reads and verifies the whole package; failures carry the file's name.
std::unique_ptr<TSetupPackageReader> ReadPackage(const std::string& file, TConsole& console);

struct TPackOptions {
    std::string Output;
    int Level = 4;
    ZUX::String Key = SetupPackageKey;
    std::vector<std::string> Inputs;
};

struct TPackResult {
    size_t Files = 0;
    int64_t Content = 0; // bytes before compression
    int64_t Packed = 0;  // bytes written
};

// Packs options.Inputs into target; options.Output names the package in
// messages and is left out if found among the inputs. writeError, when given,
// adds the reason of a failed write to the message.
TPackResult PackTo(const TPackOptions& options, TConsole& console, ZUX::TZUXStream& target,
                   const std::function<std::string()>& writeError = {});
int Pack(const TPackOptions& options, TConsole& console);
int List(const std::string& file, TConsole& console);
int Extract(const std::string& file, const std::vector<std::string>& names,
            const std::string& folder, TConsole& console);
int Verify(const std::string& file, TConsole& console);

} // namespace ipk5
