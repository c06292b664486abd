// SPDX-License-Identifier: GPL-3.0-or-later
// MP3 files come from anywhere: any bytes must open or fail with a reader error, and every frame
// handed out must lie inside the usable range, each after the one before.
#include "audio/CMPAFile.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using zk::audio::CMPAException;
    using zk::audio::CMPAFile;
    using zk::audio::CMPAFrameRef;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const CMPAFile file(bytes, QStringLiteral("fuzz.mp3"), 0, 0, [](const CMPAException&) {});
        if (file.GetBegin() < 0 || file.GetEnd() > static_cast<qint64>(size) ||
            !std::isfinite(file.GetLengthSeconds())) {
            std::abort();
        }
        for (const auto& tag : file.GetTags()) {
            if (tag->GetOffset() < 0 || tag->GetOffset() + tag->GetSize() > static_cast<qint64>(size)) {
                std::abort();
            }
        }
        CMPAFrameRef frame = file.GetFirstFrame();
        qint64 previous = -1;
        for (;;) {
            if (frame.GetOffset() <= previous || frame.GetOffset() < file.GetBegin() ||
                frame.GetEnd() > file.GetEnd()) {
                std::abort();
            }
            previous = frame.GetOffset();
            try {
                frame = file.GetNextFrame(frame);
            } catch (const CMPAException&) {
                break;
            }
        }
        if (file.GetLastFrame().GetEnd() > file.GetEnd()) {
            std::abort();
        }
    } catch (const CMPAException&) {
    }
    return 0;
}
