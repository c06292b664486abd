// SPDX-License-Identifier: GPL-3.0-or-later
// Reading every frame of a 60-minute 128 kbit/s MP3 file, next to ffprobe on the same file. The
// file is encoded by lame at start (about a minute) into a temporary folder removed at the end.
#include "audio/CMPAFile.h"
#include "audio/MpaFileInfo.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kSampleRateHz = 44100;
constexpr int kMinutes = 60;

std::string g_mp3Path;

// Streams 16-bit stereo PCM (a slow sweep with some noise) into lame's standard input. lame warns
// that raw input might be seeked on; its exit status says whether encoding worked.
bool EncodeLongFile(const std::string& path) {
    const std::string command =
        "lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -b 128 - '" + path + "' 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "w");
    if (pipe == nullptr) {
        return false;
    }
    std::vector<std::int16_t> second(2 * kSampleRateHz);
    std::uint32_t noise = 1;
    double phase = 0;
    bool ok = true;
    for (int s = 0; s < kMinutes * 60 && ok; ++s) {
        for (int i = 0; i < kSampleRateHz; ++i) {
            phase += 2 * M_PI * (220.0 + (s % 60) * 20.0) / kSampleRateHz;
            noise = noise * 1664525u + 1013904223u;
            const double value = std::sin(phase) * 0.3 + (static_cast<double>(noise >> 16) / 65536.0 - 0.5) * 0.05;
            second[2 * static_cast<std::size_t>(i)] = static_cast<std::int16_t>(value * 32000);
            second[2 * static_cast<std::size_t>(i) + 1] = static_cast<std::int16_t>(value * 28000);
        }
        ok = std::fwrite(second.data(), sizeof(std::int16_t), second.size(), pipe) == second.size();
    }
    return ::pclose(pipe) == 0 && ok;
}

void BM_StepEveryFrame(benchmark::State& state) {
    std::int64_t frames = 0;
    for (auto _ : state) {
        const zk::audio::CMPAFile file(QString::fromStdString(g_mp3Path));
        zk::audio::CMPAFrameRef frame = file.GetFirstFrame();
        frames = 1;
        for (;;) {
            try {
                frame = file.GetNextFrame(frame);
            } catch (const zk::audio::CMPAException&) {
                break;
            }
            ++frames;
        }
        benchmark::DoNotOptimize(frame);
    }
    state.counters["frames"] = static_cast<double>(frames);
}
BENCHMARK(BM_StepEveryFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// What "zkdevcli mp3-info --frames" does before printing.
void BM_ReadMpaFileInfoWithFrames(benchmark::State& state) {
    zk::audio::MpaFileInfo info;
    for (auto _ : state) {
        if (zk::audio::ReadMpaFileInfo(QString::fromStdString(g_mp3Path), true, info) != 0) {
            state.SkipWithError("the file did not open");
            return;
        }
    }
    state.counters["frames"] = static_cast<double>(info.frames.size());
}
BENCHMARK(BM_ReadMpaFileInfoWithFrames)->Unit(benchmark::kMillisecond)->UseRealTime();

void RunFfprobe(benchmark::State& state, const std::string& options) {
    const std::string command = "ffprobe -v error " + options + " '" + g_mp3Path + "' > /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("ffprobe failed");
            return;
        }
    }
}

// ffprobe decodes every frame for -show_frames.
void BM_FfprobeShowFrames(benchmark::State& state) {
    RunFfprobe(state, "-select_streams a -show_frames");
}
BENCHMARK(BM_FfprobeShowFrames)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// ffprobe only splits the stream into packets (frames) without decoding them.
void BM_FfprobeCountPackets(benchmark::State& state) {
    RunFfprobe(state, "-select_streams a -count_packets -show_entries stream=nb_read_packets");
}
BENCHMARK(BM_FfprobeCountPackets)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (std::system("command -v lame >/dev/null && command -v ffprobe >/dev/null") != 0) {
        std::fprintf(stderr, "bench_mpa_file needs lame and ffprobe (scripts/install-deps installs them)\n");
        return 1;
    }
    std::string folder = (std::filesystem::temp_directory_path() / "zkbench-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    g_mp3Path = folder + "/sixty-minutes-128k.mp3";
    const auto started = std::chrono::steady_clock::now();
    const bool encoded = EncodeLongFile(g_mp3Path);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    int status = 1;
    if (encoded) {
        std::fprintf(stderr, "encoded %s (%lld bytes) in %.1f s\n", g_mp3Path.c_str(),
                     static_cast<long long>(std::filesystem::file_size(g_mp3Path)), seconds);
        benchmark::RunSpecifiedBenchmarks();
        status = 0;
    } else {
        std::fprintf(stderr, "lame could not encode the test file\n");
    }
    benchmark::Shutdown();
    std::filesystem::remove_all(folder);
    return status;
}
