// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// A VBR header written into the first frame of an MP3 file by its encoder: the stream's frame and
// byte counts and a table of contents for seeking. A plain value; any thread.
namespace zk::audio {

class CMPAFrameRef;
class CMPAStream;

class CVBRHeader {
public:
    virtual ~CVBRHeader() = default;
    CVBRHeader(const CVBRHeader&) = delete;
    CVBRHeader& operator=(const CVBRHeader&) = delete;

    // The Xing/Info or VBRI header inside the frame. Throws CMPAException 4 when the frame holds
    // neither, 5 when one starts there but does not fit into the frame, or a read error.
    static std::unique_ptr<CVBRHeader> Find(CMPAStream& stream, const CMPAFrameRef& frame);

    // "Xing", "Info" or "VBRI".
    const QString& GetName() const { return m_name; }
    // File offset of the header's identifier.
    qint64 GetOffset() const { return m_offset; }
    // Audio frames and bytes of the stream as the encoder counted them; 0 when not given.
    std::uint32_t GetFrames() const { return m_frames; }
    std::uint32_t GetBytes() const { return m_bytes; }
    const std::vector<std::uint32_t>& GetTOC() const { return m_toc; }

protected:
    CVBRHeader(const QString& name, qint64 offset, std::uint32_t frames, std::uint32_t bytes,
               std::vector<std::uint32_t> toc);

    static std::uint32_t ReadBigEndian(const std::uint8_t* bytes, int count);

private:
    QString m_name;
    qint64 m_offset;
    std::uint32_t m_frames;
    std::uint32_t m_bytes;
    std::vector<std::uint32_t> m_toc;
};

} // namespace zk::audio
