// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/FirmwareHeaderReader.h"

#include "firmware/Crc32.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zk::firmware {
namespace {

FirmwareHeaderReport OpenFailure(const std::string& path, int error, std::ostream& output) {
    output << "open file (" << path << ") fail(" << std::generic_category().message(error) << ")\n" << std::flush;
    return FirmwareHeaderReport{};
}

// Reads until count bytes arrived, the file ends or reading fails; returns how many arrived.
std::size_t ReadUpTo(int fd, char* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(fd, buffer + done, count - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

} // namespace

FirmwareHeaderReport ValidateFirmwareHeader(std::string_view headerBytes, std::uint64_t fileLength,
                                            std::ostream& output) {
    FirmwareHeaderReport report;
    report.fileLength = fileLength;
    report.finding = FirmwareHeaderFinding::ReadError;
    if (headerBytes.size() < kFirmwareHeaderSizeBytes) {
        output << "read error\n" << std::flush;
        return report;
    }
    FirmwareHeaderBytes bytes;
    std::memcpy(bytes.data(), headerBytes.data(), bytes.size());
    report.header = DecodeFirmwareHeader(bytes);
    const FirmwareImageHeader& header = report.header;

    // The stored CRC was computed while its own field held zero.
    std::memset(bytes.data() + layout::kHeaderCrc, 0, layout::kU32);
    if (Crc32Buffer(bytes.data(), bytes.size()) != header.headerCrc) {
        output << "crc error\n" << std::flush;
        report.finding = FirmwareHeaderFinding::CrcError;
        return report;
    }

    // The remaining findings are reported only: callers still take the header as valid.
    report.result = 0;
    if (header.totalSize != fileLength) {
        output << "size error(header->file_size = " << header.totalSize << ", total_size = " << fileLength << "\n"
               << std::flush;
        report.finding = FirmwareHeaderFinding::FileSizeError;
        return report;
    }
    if (!HasAcceptedMagic(header)) {
        output << "magic number error\n" << std::flush;
        report.finding = FirmwareHeaderFinding::MagicError;
        return report;
    }
    // Summed in 64 bits so that sizes whose 32-bit sum wraps around cannot match the total.
    std::uint64_t sum = kFirmwareHeaderSizeBytes;
    for (const FirmwarePartType type : kFirmwarePartOrder) {
        if (header.HasPart(type)) {
            report.partSizes[PartIndex(type)] = header.Part(type).size;
            sum += header.Part(type).size;
        }
    }
    report.finding = FirmwareHeaderFinding::Valid;
    if (sum != header.totalSize) {
        output << "size error\n" << std::flush;
        report.finding = FirmwareHeaderFinding::PartSizeError;
    }
    return report;
}

FirmwareHeaderReport InspectFirmwareHeader(const std::string& path, std::ostream& output) {
    // Non-blocking, so that a named pipe or a terminal without data ends in a short read instead of
    // waiting forever; regular files are not affected.
    platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd) {
        return OpenFailure(path, errno, output);
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        return OpenFailure(path, errno, output);
    }
    if (S_ISDIR(info.st_mode)) {
        return OpenFailure(path, EISDIR, output);
    }
    const off_t end = ::lseek(fd.Get(), 0, SEEK_END);
    if (end < 0 || ::lseek(fd.Get(), 0, SEEK_SET) != 0) {
        return OpenFailure(path, errno, output);
    }
    char buffer[kFirmwareHeaderSizeBytes];
    const std::size_t got = ReadUpTo(fd.Get(), buffer, sizeof buffer);
    return ValidateFirmwareHeader(std::string_view(buffer, got), static_cast<std::uint64_t>(end), output);
}

int ReadFirmwareHeader(const std::string& path, FirmwareImageHeader& header, std::uint64_t& fileLength,
                       std::uint32_t& kernelSize, std::uint32_t& rootfsSize, std::uint32_t& ubootSize,
                       std::uint32_t& tgzSize, std::uint32_t& oemSize, std::ostream& output) {
    const FirmwareHeaderReport report = InspectFirmwareHeader(path, output);
    header = report.header;
    fileLength = report.fileLength;
    kernelSize = report.partSizes[PartIndex(FirmwarePartType::Kernel)];
    rootfsSize = report.partSizes[PartIndex(FirmwarePartType::Rootfs)];
    ubootSize = report.partSizes[PartIndex(FirmwarePartType::Uboot)];
    tgzSize = report.partSizes[PartIndex(FirmwarePartType::Tgz)];
    oemSize = report.partSizes[PartIndex(FirmwarePartType::Oem)];
    return report.result;
}

} // namespace zk::firmware
