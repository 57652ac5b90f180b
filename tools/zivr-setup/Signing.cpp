// Signing and verifying through osslsigncode, started without a shell.
#include "tools/zivr-setup/Signing.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace zivrsetup {

namespace {

constexpr const char* kTool = "osslsigncode";

// The tool's exit code, or -1 when it could not be started (errno set).
// toStderr sends its report where ours goes, keeping stdout for the caller's output.
int RunTool(std::vector<std::string> args, bool toStderr) {
    args.insert(args.begin(), kTool);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (toStderr) posix_spawn_file_actions_adddup2(&actions, 2, 1);
    const int started = posix_spawnp(&pid, kTool, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) {
        errno = started;
        return -1;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

void SignFile(const TSignOptions& options, const std::string& input, const std::string& output) {
    std::vector<std::string> args = {
        "sign", "-pkcs12", options.Pkcs12, "-readpass", options.PasswordFile, "-h", "sha256"};
    if (!options.TimestampUrl.empty()) {
        args.push_back("-ts");
        args.push_back(options.TimestampUrl);
    }
    args.insert(args.end(), {"-in", input, "-out", output});
    const int code = RunTool(args, true);
    if (code < 0)
        throw std::runtime_error(std::string("cannot start ") + kTool + ": " +
                                 std::strerror(errno) + " (is it installed?)");
    if (code != 0)
        throw std::runtime_error(std::string("signing failed: ") + kTool + " exited with code " +
                                 std::to_string(code));
}

int VerifySignature(const std::string& file, const std::string& caFile) {
    std::vector<std::string> args = {"verify"};
    if (!caFile.empty()) args.insert(args.end(), {"-CAfile", caFile});
    args.insert(args.end(), {"-in", file});
    return RunTool(args, false);
}

} // namespace zivrsetup
