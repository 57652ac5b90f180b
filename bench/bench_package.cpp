// Package reading and building against their floors: liblzma's raw LZMA1
// decoder and encoder on the same stream with the same settings, and the
// reader's peak memory against the content it holds.
//
//   bench_package [--content_mb=N] [benchmark flags]
//
// The content is gathered at start from files of this machine (shared
// libraries, programs, data under /usr/share), so it looks like a product.
#include "ZUX/Base/FileStream.h"
#include "package/LzmaStream.h"
#include "package/Package.h"

#include <benchmark/benchmark.h>
#include <lzma.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace ZUX;

namespace {

struct TFile {
    String Name;
    Bytes Data;
};

// Everything the benchmarks share, made once before they run.
struct TCorpus {
    std::vector<TFile> Files;
    Bytes Package; // level 4, the installer's key
    Bytes Content; // what the reader decodes
    Bytes Raw;     // the LZMA stream of the package, unscrambled
    std::string PackageFile;
};

Bytes ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Takes files below root in sorted order until quota bytes were taken.
void Gather(std::vector<TFile>& files, const fs::path& root, const std::string& prefix,
            int64_t quota, int64_t maxFile, bool recursive, bool (*wanted)(const fs::path&)) {
    std::vector<fs::path> paths;
    std::error_code ec;
    auto consider = [&](const fs::directory_entry& e) {
        if (e.is_regular_file(ec) && !e.is_symlink(ec) && wanted(e.path()) &&
            int64_t(e.file_size(ec)) <= maxFile && !ec)
            paths.push_back(e.path());
    };
    if (recursive) {
        for (fs::recursive_directory_iterator
                 it(root, fs::directory_options::skip_permission_denied, ec),
             end;
             !ec && it != end; it.increment(ec))
            consider(*it);
    } else {
        for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
            consider(*it);
    }
    std::sort(paths.begin(), paths.end());
    for (const auto& p : paths) {
        if (quota <= 0) break;
        Bytes data = ReadWhole(p);
        if (data.empty()) continue;
        quota -= int64_t(data.size());
        std::string name = prefix + p.lexically_relative(root).string();
        std::replace(name.begin(), name.end(), '/', '\\');
        files.push_back({FromUtf8(name), std::move(data)});
    }
}

bool SharedLibrary(const fs::path& p) {
    return p.filename().string().find(".so") != std::string::npos;
}
bool Anything(const fs::path&) {
    return true;
}

Bytes Build(const std::vector<TFile>& files, int level) {
    TSetupPackageBuilder builder;
    for (const auto& f : files) {
        TZUXMemoryStream source(f.Data);
        builder.Add(source, f.Name);
    }
    TZUXMemoryStream out;
    builder.Commit(out, level);
    return Bytes(out.Data());
}

// Takes bytes and forgets them: the builder is measured, not a file system.
class TSink : public TZUXStream {
public:
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t count) override {
        size_ += count;
        return count;
    }
    int64_t Seek(int64_t, SeekOrigin) override { return size_; }
    void SetSize(int64_t) override {}

private:
    int64_t size_ = 0;
};

lzma_options_lzma Level4Options() {
    const TLzmaLevelSettings s = LzmaLevelSettings(4);
    lzma_options_lzma o{};
    lzma_lzma_preset(&o, 6);
    o.dict_size = s.DictionarySize;
    o.lc = 3;
    o.lp = 0;
    o.pb = 2;
    o.mode = s.Normal ? LZMA_MODE_NORMAL : LZMA_MODE_FAST;
    o.nice_len = s.FastBytes;
    o.mf = s.BinaryTree ? LZMA_MF_BT4 : LZMA_MF_HC4;
    o.depth = s.CycleLimit;
    o.ext_flags = 0;
    lzma_set_ext_size(o, UINT64_MAX);
    return o;
}

void BM_ReadPackage(benchmark::State& state, const TCorpus& c) {
    TZUXMemoryStream source(c.Package);
    for (auto _ : state) {
        source.SetPosition(0);
        TSetupPackageReader reader(source);
        benchmark::DoNotOptimize(reader.FileTable().Count());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c.Content.size()));
}

// The floor: one call into a buffer of the whole size. Fresh: the buffer is
// allocated for each run, as the reader's content must be, so the pages are
// first touched while decoding.
void RawLzmaDecode(benchmark::State& state, const TCorpus& c, bool fresh) {
    std::unique_ptr<uint8_t[]> out(new uint8_t[c.Content.size()]);
    if (!fresh) std::memset(out.get(), 0, c.Content.size());
    const auto* in = reinterpret_cast<const uint8_t*>(c.Raw.data());
    for (auto _ : state) {
        if (fresh) out.reset(new uint8_t[c.Content.size()]);
        lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
        if (lzma_properties_decode(&filters[0], nullptr, in, 5) != LZMA_OK) {
            state.SkipWithError("properties");
            return;
        }
        std::unique_ptr<lzma_options_lzma, decltype(&free)> options(
            static_cast<lzma_options_lzma*>(filters[0].options), &free);
        options->ext_flags = 0;
        lzma_set_ext_size(*options, c.Content.size());
        filters[0].id = LZMA_FILTER_LZMA1EXT;
        lzma_stream strm = LZMA_STREAM_INIT;
        if (lzma_raw_decoder(&strm, filters) != LZMA_OK) {
            state.SkipWithError("decoder");
            return;
        }
        strm.next_in = in + 5;
        strm.avail_in = c.Raw.size() - 5;
        strm.next_out = out.get();
        strm.avail_out = c.Content.size();
        const lzma_ret r = lzma_code(&strm, LZMA_FINISH);
        lzma_end(&strm);
        if (r != LZMA_STREAM_END || strm.avail_out != 0) {
            state.SkipWithError("decoding failed");
            return;
        }
    }
    if (std::memcmp(out.get(), c.Content.data(), c.Content.size()) != 0)
        state.SkipWithError("decoded content differs");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c.Content.size()));
}

void BM_RawLzmaDecode(benchmark::State& state, const TCorpus& c) {
    RawLzmaDecode(state, c, false);
}

void BM_RawLzmaDecodeFresh(benchmark::State& state, const TCorpus& c) {
    RawLzmaDecode(state, c, true);
}

void BM_BuildPackage(benchmark::State& state, const TCorpus& c) {
    for (auto _ : state) {
        TSetupPackageBuilder builder;
        for (const auto& f : c.Files) {
            TZUXMemoryStream source(f.Data);
            builder.Add(source, f.Name);
        }
        TSink sink;
        builder.Commit(sink, 4);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c.Content.size()));
}

void BM_RawLzmaEncode(benchmark::State& state, const TCorpus& c) {
    std::vector<uint8_t> out(c.Content.size() + c.Content.size() / 2 + (1 << 20));
    size_t packed = 0;
    for (auto _ : state) {
        lzma_options_lzma options = Level4Options();
        lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
        lzma_stream strm = LZMA_STREAM_INIT;
        if (lzma_raw_encoder(&strm, filters) != LZMA_OK) state.SkipWithError("encoder");
        strm.next_in = reinterpret_cast<const uint8_t*>(c.Content.data());
        strm.avail_in = c.Content.size();
        strm.next_out = out.data();
        strm.avail_out = out.size();
        if (lzma_code(&strm, LZMA_FINISH) != LZMA_STREAM_END) state.SkipWithError("encoding");
        packed = strm.total_out;
        lzma_end(&strm);
    }
    state.counters["packed_MB"] = double(packed) / 1e6;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c.Content.size()));
}

// Keeps each benchmark's best time for the ratios at the end.
class TRecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            if (!run.error_occurred && run.aggregate_name == "min")
                Times[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> Times;
};

int64_t VmHWMKiB() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtoll(line.c_str() + 6, nullptr, 10);
    return -1;
}

// In a fresh process (its high-water mark starts with the program itself):
// reads the package file, then extracts its largest entry, as the installer
// holds the content plus one file.
int MeasurePeak(const char* file) {
    const int64_t base = VmHWMKiB();
    TZUXFileStream source(FromUtf8(file), fmOpenRead);
    TSetupPackageReader reader(source);
    const int64_t read = VmHWMKiB();
    const TSetupPackageFileTableItem* largest = nullptr;
    for (int i = 0; i < reader.FileTable().Count(); ++i)
        if (!largest || reader.FileTable().Items(i).Size > largest->Size)
            largest = &reader.FileTable().Items(i);
    int64_t largestSize = 0;
    if (largest) {
        largestSize = largest->Size;
        auto stream = reader.Extract(*largest);
        benchmark::DoNotOptimize(stream->Memory());
    }
    const int64_t extracted = VmHWMKiB();
    std::printf("%lld %lld %lld %lld\n", static_cast<long long>(base), static_cast<long long>(read),
                static_cast<long long>(extracted), static_cast<long long>(largestSize));
    return 0;
}

std::optional<std::array<int64_t, 4>> PeakInChild(const std::string& file) {
    const std::string command =
        "'" + fs::read_symlink("/proc/self/exe").string() + "' --peak-memory '" + file + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), &::pclose);
    std::array<long long, 4> v{};
    if (!pipe || std::fscanf(pipe.get(), "%lld %lld %lld %lld", &v[0], &v[1], &v[2], &v[3]) != 4)
        return std::nullopt;
    return std::array<int64_t, 4>{v[0], v[1], v[2], v[3]};
}

TCorpus MakeCorpus(int64_t target) {
    TCorpus c;
    Gather(c.Files, "/usr/lib/x86_64-linux-gnu", "lib\\", target * 6 / 10, 16 << 20, false,
           SharedLibrary);
    Gather(c.Files, "/usr/bin", "bin\\", target * 2 / 10, 16 << 20, false, Anything);
    Gather(c.Files, "/usr/share", "share\\", target * 2 / 10, 1 << 20, true, Anything);
    c.Package = Build(c.Files, 4);
    {
        TZUXMemoryStream source(c.Package);
        TSetupPackageReader reader(source);
        c.Content = Bytes(reader.Content().Data());
    }
    c.Raw = c.Package.substr(12);
    TSetupKey key;
    key.Init(SetupPackageKey);
    key.Apply(reinterpret_cast<uint8_t*>(c.Raw.data()), c.Raw.size());

    c.PackageFile =
        (fs::temp_directory_path() / ("bench_package." + std::to_string(::getpid()) + ".ipk5"))
            .string();
    std::ofstream(c.PackageFile, std::ios::binary)
        .write(c.Package.data(), std::streamsize(c.Package.size()));
    return c;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--peak-memory") == 0) return MeasurePeak(argv[2]);

    int64_t contentMb = 64;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--content_mb=", 13) == 0)
            contentMb = std::max(1ll, std::atoll(argv[i] + 13));
        else
            args.push_back(argv[i]);
    }
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());

    TCorpus corpus = MakeCorpus(contentMb << 20);
    // The machine may be busy with other work: each benchmark is repeated
    // and compared by its best repetition, the closest to what the code costs.
    const struct {
        const char* Name;
        void (*Function)(benchmark::State&, const TCorpus&);
        int Repetitions;
    } benchmarks[] = {{"BM_ReadPackage", &BM_ReadPackage, 5},
                      {"BM_RawLzmaDecode", &BM_RawLzmaDecode, 5},
                      {"BM_RawLzmaDecodeFresh", &BM_RawLzmaDecodeFresh, 5},
                      {"BM_BuildPackage", &BM_BuildPackage, 3},
                      {"BM_RawLzmaEncode", &BM_RawLzmaEncode, 3}};
    for (const auto& b : benchmarks) {
        benchmark::RegisterBenchmark(b.Name, b.Function, std::cref(corpus))
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(b.Repetitions)
            ->ComputeStatistics(
                "min",
                [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
            ->DisplayAggregatesOnly()
            ->UseRealTime();
    }

    const double mb = 1024.0 * 1024.0;
    std::printf("Content: %zu files, %.1f MiB; package %.1f MiB (level 4)\n", corpus.Files.size(),
                double(corpus.Content.size()) / mb, double(corpus.Package.size()) / mb);

    TRecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto ratio = [&](const char* ours, const char* floor, const char* what,
                     const char* how = "(goal >= 0.95)") {
        const auto a = reporter.Times.find(ours), b = reporter.Times.find(floor);
        if (a == reporter.Times.end() || b == reporter.Times.end()) return;
        std::printf("%-9s %.3fx the speed of raw liblzma %s\n", what, b->second / a->second, how);
    };
    ratio("BM_ReadPackage", "BM_RawLzmaDecode", "Reading:");
    ratio("BM_ReadPackage", "BM_RawLzmaDecodeFresh", "Reading:", "into fresh memory");
    ratio("BM_BuildPackage", "BM_RawLzmaEncode", "Building:");

    if (const auto peak = PeakInChild(corpus.PackageFile)) {
        const double content = double(corpus.Content.size()) / mb;
        const double base = double((*peak)[0]) / 1024, read = double((*peak)[1]) / 1024;
        const double extracted = double((*peak)[2]) / 1024;
        std::printf("Peak memory: %.1f MiB at start, %.1f MiB after reading (content %.1f MiB, "
                    "goal <= %.1f MiB), %.1f MiB after extracting the largest file (%.1f MiB)\n",
                    base, read, content, content + 32, extracted, double((*peak)[3]) / mb);
    } else {
        std::printf("Peak memory: the measuring child failed\n");
    }
    std::remove(corpus.PackageFile.c_str());
    benchmark::Shutdown();
    return 0;
}
