// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/UniqueFd.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// The bytes an MP3 reader works on: a file read through a window buffer, or bytes already in
// memory. Offsets and sizes are in bytes from the start of the file. One thread at a time.
namespace zk::audio {

class CMPAStream final {
public:
    // Opens the file for reading. Throws CMPAException (0 "CreateFile", or 2 "GetFileSize") on failure.
    explicit CMPAStream(const QString& path);
    // Reads bytes held in memory; fileName only names them in error texts.
    CMPAStream(QByteArray bytes, const QString& fileName);
    CMPAStream(const CMPAStream&) = delete;
    CMPAStream& operator=(const CMPAStream&) = delete;

    const QString& GetFileName() const { return m_fileName; }
    qint64 GetSize() const { return m_size; }

    // Points at `size` bytes from `offset`; the pointer is valid until the next read. Throws
    // CMPAException 3 when the range is not inside the stream, 1 or 2 when the file cannot be read.
    const std::uint8_t* ReadBytes(qint64 offset, qint64 size);

private:
    void FillWindow(qint64 offset, qint64 size);

    QString m_fileName;
    qint64 m_size = 0;
    platform::UniqueFd m_file;
    QByteArray m_memory;
    // The window of the file currently held in memory.
    std::vector<std::uint8_t> m_window;
    qint64 m_windowOffset = 0;
    qint64 m_windowLength = 0;
};

} // namespace zk::audio
