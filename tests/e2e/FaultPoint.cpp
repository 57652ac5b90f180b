// Fault points of the tests' Setup.exe, set through the environment:
//   ZIVR_FAULT=<point>                   end the process there (exit code 99),
//                                        as a power loss or the task manager would
//   ZIVR_FAULT_FILL=<point>:<KB>:<file>  write <file> until its volume has only
//                                        <KB> KiB free, as another program might
//   ZIVR_FAULT_ANSWER=abort|ignore       the answer to the locked-file question
#include "engine/FaultPoint.h"

#include "ZUX/Base/Handle.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

void Fill(const std::string& spec) {
    const size_t first = spec.find(':'), second = spec.find(':', first + 1);
    if (second == std::string::npos) return;
    const unsigned long long leave =
        std::strtoull(spec.substr(first + 1).c_str(), nullptr, 10) * 1024;
    const std::string path = spec.substr(second + 1);
    const ZUX::TZUXKernelHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    std::vector<char> block(64 * 1024, 'F');
    for (;;) {
        ULARGE_INTEGER free{};
        const std::string root = path.substr(0, 3);
        if (!GetDiskFreeSpaceExA(root.c_str(), &free, nullptr, nullptr) || free.QuadPart <= leave)
            break;
        const unsigned long long rest = free.QuadPart - leave;
        const DWORD size = DWORD(rest < block.size() ? rest : block.size());
        DWORD written = 0;
        if (!WriteFile(file.Get(), block.data(), size, &written, nullptr) || written == 0) break;
        FlushFileBuffers(file.Get());
    }
}

} // namespace

void FaultPoint(const char* name) {
    if (Env("ZIVR_FAULT") == name) TerminateProcess(GetCurrentProcess(), 99);
    const std::string fill = Env("ZIVR_FAULT_FILL");
    if (fill.compare(0, fill.find(':'), name) == 0 && fill.find(':') != std::string::npos)
        Fill(fill);
}

int FaultAnswer() {
    const std::string answer = Env("ZIVR_FAULT_ANSWER");
    return answer == "abort" ? 3 : answer == "ignore" ? 5 : 0;
}
