// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "firmware/FirmwareImageHeader.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QIODevice;

// Builds firmware image files: the header, then the given parts back to back in the order kernel,
// root file system, boot loader, archive, customisation blob, with every size, offset and CRC-32
// filled in. Parts come from files (streamed, never held whole in memory) or from bytes in memory.
// One builder belongs to one thread at a time; it keeps no open file between calls.
namespace zk::firmware {

class FirmwareImageBuilder final {
public:
    FirmwareImageBuilder();

    // A part read from a file when the image is written; replaces any earlier source of the part.
    void SetPartFile(FirmwarePartType type, std::string path);
    // A part given as bytes; replaces any earlier source of the part.
    void SetPartData(FirmwarePartType type, std::string bytes);
    void ClearPart(FirmwarePartType type);
    bool HasPart(FirmwarePartType type) const;

    // The kernel's and the root file system's free text, in code page 936 bytes. Returns -1 and
    // keeps the old text when the text is longer than 255 bytes or holds a NUL byte, which readers
    // would cut it at.
    int SetKernelText(std::string_view ansiText);
    int SetRootfsText(std::string_view ansiText);

    // The magic, padded with NUL bytes to eight; "MIREX888" unless set. Returns -1 and keeps the
    // old magic when it is longer than eight bytes.
    int SetMagic(std::string_view magic);

    // Writes the image to path, replacing an existing file only once the whole image is written.
    // Returns 0, or -1 with the reason in error when a part cannot be read, the output cannot be
    // written, or the image would not fit the header's 32-bit sizes. The written header goes to
    // header when it is given.
    int WriteFile(const std::string& path, std::string& error, FirmwareImageHeader* header = nullptr) const;

    // The same image as bytes in memory, for tests and the simulator.
    int Build(std::string& image, std::string& error, FirmwareImageHeader* header = nullptr) const;

private:
    struct PartSource {
        bool fromFile = false;
        std::string pathOrBytes;
    };

    int WriteTo(QIODevice& device, std::string& error, FirmwareImageHeader& header) const;

    std::array<std::optional<PartSource>, kFirmwarePartCount> m_parts;
    std::array<char, kFirmwareMagicBytes> m_magic{};
    std::string m_kernelText;
    std::string m_rootfsText;
};

} // namespace zk::firmware
