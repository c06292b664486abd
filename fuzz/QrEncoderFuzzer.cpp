// SPDX-License-Identifier: GPL-3.0-or-later
// Texts to encode come from devices: any bytes, with any level, mask and Kanji setting, must give a
// well-formed symbol or a clean refusal, and the same symbol every time.
#include "label/QrEncoder.h"

#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zk::label;
    if (size < 1) {
        return 0;
    }
    // The first byte picks the settings: Kanji switch, level, and mask (8 means choose).
    const QrKanji kanji = (data[0] & 1) ? QrKanji::ShiftJis : QrKanji::AsBytes;
    const int level = (data[0] >> 1) & 3;
    const int mask = ((data[0] >> 3) % 9) - 1;
    const char* source = reinterpret_cast<const char*>(data + 1);
    const int length = static_cast<int>(size - 1);

    auto first = std::make_unique<QrEncoder>(kanji);
    const bool ok = length > 0 && first->EncodeData(level, kQrChooseVersion, true, mask, source, length);
    // Short inputs always fit: 160 bytes take at most 160 x (8 + 20) bits however they are split.
    if (!ok && length > 0 && length <= 160 && level == kQrLevelL) {
        std::abort();
    }
    if (!ok) {
        return 0;
    }
    const int n = first->SymbolSize();
    int covered = 0;
    for (const QrSegment& segment : first->Segments()) {
        covered += segment.lengthBytes;
    }
    if (n != 17 + 4 * first->Version() || covered != length || (mask >= 0 && first->MaskNumber() != mask) ||
        first->Module(0, 0) != 1 || first->Module(n - 1, 0) != 1 || first->Module(0, n - 1) != 1 ||
        first->Module(8, n - 8) != 1) {
        std::abort();
    }
    auto second = std::make_unique<QrEncoder>(kanji);
    if (!second->EncodeData(level, kQrChooseVersion, true, mask, source, length)) {
        std::abort();
    }
    for (int x = 0; x < n; ++x) {
        for (int y = 0; y < n; ++y) {
            if (first->Module(x, y) > 1 || first->Module(x, y) != second->Module(x, y)) {
                std::abort();
            }
        }
    }
    return 0;
}
