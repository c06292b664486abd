// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>

// A metadata tag found at the start or the end of an MP3 file, which the frame reader steps over.
// A plain value; any thread.
namespace zk::audio {

class CTag {
public:
    virtual ~CTag() = default;
    CTag(const CTag&) = delete;
    CTag& operator=(const CTag&) = delete;

    // Byte offset of the tag's first byte from the start of the file, and its length in bytes.
    qint64 GetOffset() const { return m_offset; }
    qint64 GetSize() const { return m_size; }
    // "ID3", "APE" or "Lyrics3", and the version in the tag's own numbering ("2.4.0", "1.1", ...).
    const QString& GetName() const { return m_name; }
    const QString& GetVersion() const { return m_version; }

protected:
    CTag(const QString& name, const QString& version, qint64 offset, qint64 size);

    static std::uint32_t ReadLittleEndian32(const std::uint8_t* bytes);
    // Four bytes of seven bits each, as ID3v2 stores sizes; nothing when a byte has its top bit set.
    static bool ReadSyncSafe32(const std::uint8_t* bytes, qint64& value);

private:
    QString m_name;
    QString m_version;
    qint64 m_offset;
    qint64 m_size;
};

} // namespace zk::audio
