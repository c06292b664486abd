// SPDX-License-Identifier: GPL-3.0-or-later
// The window saves the settings after every change, even on every key typed into the password
// edit, on its own thread: a save must stay far below what a person notices.
#include "base/CSaveParam.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// A fresh folder for the benchmark's settings file, removed afterwards. ZK_BENCH_DIR chooses
// where (the disk matters for the synced save); the system's temporary folder otherwise.
class BenchFolder {
public:
    BenchFolder() {
        const char* base = std::getenv("ZK_BENCH_DIR");
        std::string pattern =
            (base != nullptr ? std::filesystem::path(base) : std::filesystem::temp_directory_path()) / "zkbench-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }
    ~BenchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    QString Path() const { return QString::fromStdString(m_path); }

private:
    std::string m_path;
};

void BM_ToXml(benchmark::State& state) {
    BenchFolder folder;
    zk::base::CSaveParam settings(folder.Path());
    for (auto _ : state) {
        benchmark::DoNotOptimize(settings.ToXml());
    }
}
BENCHMARK(BM_ToXml);

void BM_LoadXml(benchmark::State& state) {
    BenchFolder folder;
    zk::base::CSaveParam settings(folder.Path());
    const std::string document = settings.ToXml();
    for (auto _ : state) {
        benchmark::DoNotOptimize(settings.LoadXml(document));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * document.size()));
}
BENCHMARK(BM_LoadXml);

// A whole save: document, temporary file, fdatasync, rename.
void BM_Save(benchmark::State& state) {
    BenchFolder folder;
    zk::base::CSaveParam settings(folder.Path());
    for (auto _ : state) {
        if (settings.Save() != 0) {
            state.SkipWithError("save failed");
            break;
        }
    }
}
BENCHMARK(BM_Save)->Unit(benchmark::kMicrosecond);

// The same without flushing to the disk, to show what the sync costs.
void BM_SaveWithoutSync(benchmark::State& state) {
    BenchFolder folder;
    zk::base::CSaveParam settings(folder.Path(), [](int fd, std::string_view bytes) {
        return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) ? 0 : EIO;
    });
    for (auto _ : state) {
        if (settings.Save() != 0) {
            state.SkipWithError("save failed");
            break;
        }
    }
}
BENCHMARK(BM_SaveWithoutSync)->Unit(benchmark::kMicrosecond);

// Start-up: defaults, then the file read and parsed.
void BM_ConstructAndLoad(benchmark::State& state) {
    BenchFolder folder;
    zk::base::CSaveParam(folder.Path()).Save();
    for (auto _ : state) {
        zk::base::CSaveParam settings(folder.Path());
        benchmark::DoNotOptimize(settings.QrShow());
    }
}
BENCHMARK(BM_ConstructAndLoad)->Unit(benchmark::kMicrosecond);

} // namespace
