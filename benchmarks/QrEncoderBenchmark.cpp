// SPDX-License-Identifier: GPL-3.0-or-later
// Encoding time of the QR encoder next to libqrencode on the same inputs: a 17-character device ID
// (the QR window's everyday case) and 2953 bytes, the most a symbol holds (version 40-L).
#include "label/QrBitmap.h"
#include "label/QrEncoder.h"

#include <benchmark/benchmark.h>
#include <qrencode.h>

#include <random>
#include <string>

namespace {

const char kDeviceId[] = "ZKAB1234567890CDE";

const std::string& LargestText() {
    static const std::string text = [] {
        std::mt19937 random(11);
        std::string bytes(2953, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random());
        }
        return bytes;
    }();
    return text;
}

void EncodeOurs(benchmark::State& state, const std::string& data) {
    for (auto _ : state) {
        zk::label::QrEncoder encoder;
        const bool ok = encoder.EncodeData(zk::label::kQrLevelL, zk::label::kQrChooseVersion, true,
                                           zk::label::kQrChooseMask, data.data(), static_cast<int>(data.size()));
        if (!ok) {
            state.SkipWithError("encoding failed");
            break;
        }
        benchmark::DoNotOptimize(encoder.Module(0, 0));
    }
}

void EncodeLibqrencode(benchmark::State& state, const std::string& data, bool detectModes) {
    for (auto _ : state) {
        QRcode* code = detectModes
                           ? QRcode_encodeString(data.c_str(), 0, QR_ECLEVEL_L, QR_MODE_8, 1)
                           : QRcode_encodeData(static_cast<int>(data.size()),
                                               reinterpret_cast<const unsigned char*>(data.data()), 0, QR_ECLEVEL_L);
        if (code == nullptr) {
            state.SkipWithError("libqrencode failed");
            break;
        }
        benchmark::DoNotOptimize(code->data[0]);
        QRcode_free(code);
    }
}

void BM_QrEncoder_DeviceId(benchmark::State& state) {
    EncodeOurs(state, kDeviceId);
}
void BM_Libqrencode_DeviceId(benchmark::State& state) {
    // libqrencode's string entry point chooses the modes, as the encoder does.
    EncodeLibqrencode(state, kDeviceId, true);
}
void BM_QrEncoder_Bytes2953(benchmark::State& state) {
    EncodeOurs(state, LargestText());
}
void BM_Libqrencode_Bytes2953(benchmark::State& state) {
    EncodeLibqrencode(state, LargestText(), false);
}

// The clipboard image of a device ID, drawn after every encoding in the QR window.
void BM_QrClipboardImage_DeviceId(benchmark::State& state) {
    zk::label::QrEncoder encoder;
    encoder.EncodeData(zk::label::kQrLevelL, zk::label::kQrChooseVersion, true, zk::label::kQrChooseMask, kDeviceId, 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(zk::label::QrClipboardImage(encoder).constBits());
    }
}

} // namespace

BENCHMARK(BM_QrEncoder_DeviceId);
BENCHMARK(BM_Libqrencode_DeviceId);
BENCHMARK(BM_QrEncoder_Bytes2953);
BENCHMARK(BM_Libqrencode_Bytes2953);
BENCHMARK(BM_QrClipboardImage_DeviceId);
