// SPDX-License-Identifier: GPL-3.0-or-later
// Costs of the firmware image format: the CRC-32 over header-sized and large blocks, reading one
// header from a file (what listing a firmware folder does per file), and building an image from a
// large part file.
#include "firmware/Crc32.h"
#include "firmware/FirmwareHeaderReader.h"
#include "firmware/FirmwareImageBuilder.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using namespace zk::firmware;

std::string RandomBytes(std::size_t length) {
    std::string bytes(length, '\0');
    std::uint32_t state = 2463534242u;
    for (auto& c : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        c = static_cast<char>(state);
    }
    return bytes;
}

// A scratch folder for the benchmark's files, removed at exit.
const std::string& ScratchFolder() {
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "zkbench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        std::atexit([] { std::filesystem::remove_all(ScratchFolder()); });
        return pattern;
    }();
    return folder;
}

void BM_Crc32Buffer(benchmark::State& state) {
    const std::string data = RandomBytes(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(Crc32Buffer(data.data(), data.size()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Crc32Buffer)->Arg(1556)->Arg(64 << 10)->Arg(16 << 20);

// The baseline: the plain table method, one byte per step.
void BM_Crc32Bytewise(benchmark::State& state) {
    const std::string data = RandomBytes(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(Crc32UpdateBytewise(0, data.data(), data.size()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Crc32Bytewise)->Arg(1556)->Arg(64 << 10)->Arg(16 << 20);

void BM_ReadFirmwareHeader(benchmark::State& state) {
    const std::string path = ScratchFolder() + "/read.bin";
    FirmwareImageBuilder builder;
    builder.SetPartData(FirmwarePartType::Kernel, RandomBytes(2 << 20));
    builder.SetPartData(FirmwarePartType::Rootfs, RandomBytes(6 << 20));
    builder.SetRootfsText("IPC-HX3 IPC-HX5");
    std::string error;
    if (builder.WriteFile(path, error) != 0) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::ostringstream lines;
    for (auto _ : state) {
        FirmwareImageHeader header;
        std::uint64_t length = 0;
        std::uint32_t k = 0, r = 0, u = 0, t = 0, o = 0;
        benchmark::DoNotOptimize(ReadFirmwareHeader(path, header, length, k, r, u, t, o, lines));
    }
    if (!lines.str().empty()) {
        state.SkipWithError("the benchmark image did not read cleanly");
    }
}
BENCHMARK(BM_ReadFirmwareHeader);

void BM_WriteImageFromPartFile(benchmark::State& state) {
    const std::string part = ScratchFolder() + "/rootfs.part";
    std::ofstream(part, std::ios::binary) << RandomBytes(static_cast<std::size_t>(state.range(0)));
    FirmwareImageBuilder builder;
    builder.SetPartFile(FirmwarePartType::Rootfs, part);
    std::string error;
    for (auto _ : state) {
        if (builder.WriteFile(ScratchFolder() + "/built.bin", error) != 0) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_WriteImageFromPartFile)->Arg(16 << 20)->Unit(benchmark::kMillisecond);

} // namespace
