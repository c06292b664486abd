// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/CMPAStream.h"

#include "audio/CMPAException.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace zk::audio {
namespace {

// Large enough that stepping through a file costs one read per many frames.
constexpr qint64 kWindowBytes = 64 * 1024;

} // namespace

CMPAStream::CMPAStream(const QString& path) : m_fileName(path) {
    m_file.Reset(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
    if (!m_file) {
        throw CMPAException(CMPAException::Error::CantOpenFile, path, QStringLiteral("CreateFile"), true);
    }
    struct stat status {};
    if (::fstat(m_file.Get(), &status) != 0) {
        throw CMPAException(CMPAException::Error::CantReadFromFile, path, QStringLiteral("GetFileSize"), true);
    }
    if (S_ISDIR(status.st_mode)) {
        errno = EISDIR;
        throw CMPAException(CMPAException::Error::CantOpenFile, path, QStringLiteral("CreateFile"), true);
    }
    m_size = status.st_size;
}

CMPAStream::CMPAStream(QByteArray bytes, const QString& fileName)
    : m_fileName(fileName), m_size(bytes.size()), m_memory(std::move(bytes)) {}

const std::uint8_t* CMPAStream::ReadBytes(qint64 offset, qint64 size) {
    if (offset < 0 || size < 0 || offset > m_size || size > m_size - offset) {
        throw CMPAException(CMPAException::Error::EndOfBuffer, m_fileName);
    }
    if (!m_file) {
        return reinterpret_cast<const std::uint8_t*>(m_memory.constData()) + offset;
    }
    if (offset < m_windowOffset || offset + size > m_windowOffset + m_windowLength) {
        FillWindow(offset, size);
    }
    return m_window.data() + (offset - m_windowOffset);
}

void CMPAStream::FillWindow(qint64 offset, qint64 size) {
    const qint64 length = std::min(std::max(size, kWindowBytes), m_size);
    // Reading backwards puts the wanted bytes at the window's end, so the next step back is
    // still inside it; otherwise the window starts at the wanted bytes.
    qint64 start = offset < m_windowOffset ? offset + size - length : offset;
    start = std::clamp<qint64>(start, 0, m_size - length);
    m_window.resize(static_cast<std::size_t>(length));
    m_windowLength = 0;
    if (::lseek(m_file.Get(), start, SEEK_SET) != start) {
        throw CMPAException(CMPAException::Error::CantSetFilePosition, m_fileName, QStringLiteral("SetFilePointer"),
                            true);
    }
    qint64 filled = 0;
    while (filled < length) {
        const ssize_t got = ::read(m_file.Get(), m_window.data() + filled, static_cast<std::size_t>(length - filled));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw CMPAException(CMPAException::Error::CantReadFromFile, m_fileName, QStringLiteral("ReadFile"), true);
        }
        if (got == 0) {
            // The file shrank after it was opened.
            throw CMPAException(CMPAException::Error::CantReadFromFile, m_fileName, QStringLiteral("ReadFile"));
        }
        filled += got;
    }
    m_windowOffset = start;
    m_windowLength = length;
}

} // namespace zk::audio
