// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/FirmwareImageBuilder.h"

#include "base/FixedText.h"
#include "firmware/Crc32.h"
#include "platform/UniqueFd.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zk::firmware {
namespace {

constexpr std::size_t kCopyChunkBytes = 1 << 20;
constexpr std::uint64_t kMaxImageBytes = std::numeric_limits<std::uint32_t>::max();

std::string ErrorText(int error) {
    return std::generic_category().message(error);
}

std::string Quoted(std::string_view text) {
    return '"' + std::string(text) + '"';
}

bool ValidText(std::string_view text) {
    return text.size() <= kFirmwareTextMaxBytes && text.find('\0') == std::string_view::npos;
}

// Appends one part to the device, counting its bytes and their CRC. Fails when the part or the
// image would outgrow the header's 32-bit fields.
class PartWriter final {
public:
    PartWriter(QIODevice& device, FirmwarePartType type, std::uint64_t imageBytes)
        : m_device(device), m_type(type), m_imageBytes(imageBytes) {}

    bool Append(const char* data, std::size_t length, std::string& error) {
        if (m_imageBytes + m_record.size + length > kMaxImageBytes) {
            error = "the image would exceed " + std::to_string(kMaxImageBytes) + " bytes with the " +
                    std::string(PartName(m_type)) + " part";
            return false;
        }
        if (m_device.write(data, static_cast<qint64>(length)) != static_cast<qint64>(length)) {
            error = "cannot write the image: " + m_device.errorString().toStdString();
            return false;
        }
        m_record.crc = Crc32Update(m_record.crc, data, length);
        m_record.size += static_cast<std::uint32_t>(length);
        return true;
    }

    FirmwarePartRecord Record(std::uint32_t start) const {
        FirmwarePartRecord record = m_record;
        record.start = start;
        return record;
    }

private:
    QIODevice& m_device;
    FirmwarePartType m_type;
    std::uint64_t m_imageBytes;
    FirmwarePartRecord m_record;
};

bool CopyFilePart(const std::string& path, PartWriter& writer, FirmwarePartType type, std::string& error) {
    const std::string what = std::string(PartName(type)) + " file " + Quoted(path);
    platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    struct stat info {};
    if (!fd || ::fstat(fd.Get(), &info) != 0) {
        error = "cannot open the " + what + ": " + ErrorText(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        error = "cannot open the " + what + ": " + ErrorText(EISDIR);
        return false;
    }
    std::vector<char> buffer(kCopyChunkBytes);
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error = "cannot read the " + what + ": " + ErrorText(errno);
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (!writer.Append(buffer.data(), static_cast<std::size_t>(got), error)) {
            return false;
        }
    }
}

} // namespace

FirmwareImageBuilder::FirmwareImageBuilder() {
    SetMagic(kFirmwareMagic);
}

void FirmwareImageBuilder::SetPartFile(FirmwarePartType type, std::string path) {
    m_parts[PartIndex(type)] = PartSource{true, std::move(path)};
}

void FirmwareImageBuilder::SetPartData(FirmwarePartType type, std::string bytes) {
    m_parts[PartIndex(type)] = PartSource{false, std::move(bytes)};
}

void FirmwareImageBuilder::ClearPart(FirmwarePartType type) {
    m_parts[PartIndex(type)].reset();
}

bool FirmwareImageBuilder::HasPart(FirmwarePartType type) const {
    return m_parts[PartIndex(type)].has_value();
}

int FirmwareImageBuilder::SetKernelText(std::string_view ansiText) {
    if (!ValidText(ansiText)) {
        return -1;
    }
    m_kernelText = ansiText;
    return 0;
}

int FirmwareImageBuilder::SetRootfsText(std::string_view ansiText) {
    if (!ValidText(ansiText)) {
        return -1;
    }
    m_rootfsText = ansiText;
    return 0;
}

int FirmwareImageBuilder::SetMagic(std::string_view magic) {
    if (magic.size() > kFirmwareMagicBytes) {
        return -1;
    }
    m_magic.fill('\0');
    std::copy(magic.begin(), magic.end(), m_magic.begin());
    return 0;
}

int FirmwareImageBuilder::WriteTo(QIODevice& device, std::string& error, FirmwareImageHeader& header) const {
    header = FirmwareImageHeader{};
    header.magic = m_magic;
    // The header's place is held with zeros until every part's record is known.
    const FirmwareHeaderBytes placeholder{};
    if (device.write(reinterpret_cast<const char*>(placeholder.data()), placeholder.size()) !=
        static_cast<qint64>(placeholder.size())) {
        error = "cannot write the image: " + device.errorString().toStdString();
        return -1;
    }
    std::uint64_t imageBytes = kFirmwareHeaderSizeBytes;
    for (const FirmwarePartType type : kFirmwarePartOrder) {
        const auto& source = m_parts[PartIndex(type)];
        if (!source) {
            continue;
        }
        PartWriter writer(device, type, imageBytes);
        const bool copied = source->fromFile
                                ? CopyFilePart(source->pathOrBytes, writer, type, error)
                                : writer.Append(source->pathOrBytes.data(), source->pathOrBytes.size(), error);
        if (!copied) {
            return -1;
        }
        header.Part(type) = writer.Record(static_cast<std::uint32_t>(imageBytes));
        header.PartFlags |= PartFlag(type);
        imageBytes += header.Part(type).size;
    }
    header.totalSize = static_cast<std::uint32_t>(imageBytes);
    base::CopyBounded(header.kernelText, m_kernelText);
    base::CopyBounded(header.rootfsText, m_rootfsText);
    header.headerCrc = ComputeFirmwareHeaderCrc(header);

    const FirmwareHeaderBytes bytes = EncodeFirmwareHeader(header);
    if (!device.seek(0) ||
        device.write(reinterpret_cast<const char*>(bytes.data()), bytes.size()) != static_cast<qint64>(bytes.size())) {
        error = "cannot write the image header: " + device.errorString().toStdString();
        return -1;
    }
    return 0;
}

int FirmwareImageBuilder::WriteFile(const std::string& path, std::string& error, FirmwareImageHeader* header) const {
    QSaveFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!file.open(QIODevice::WriteOnly)) {
        error = "cannot create " + Quoted(path) + ": " + file.errorString().toStdString();
        return -1;
    }
    FirmwareImageHeader written;
    if (WriteTo(file, error, written) != 0) {
        file.cancelWriting();
        return -1;
    }
    if (!file.commit()) {
        error = "cannot write " + Quoted(path) + ": " + file.errorString().toStdString();
        return -1;
    }
    if (header != nullptr) {
        *header = written;
    }
    return 0;
}

int FirmwareImageBuilder::Build(std::string& image, std::string& error, FirmwareImageHeader* header) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    FirmwareImageHeader written;
    if (WriteTo(buffer, error, written) != 0) {
        return -1;
    }
    buffer.close();
    image.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (header != nullptr) {
        *header = written;
    }
    return 0;
}

} // namespace zk::firmware
