// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/CMPAException.h"

#include "audio/MpaFileInfo.h"

#include <cerrno>
#include <iterator>
#include <system_error>

namespace zk::audio {
namespace {

constexpr const char* kMessages[] = {
    "Can't open the file.",
    "Can't set file position.",
    "Can't read from file.",
    "Reached end of buffer.",
    "No VBR Header found.",
    "Incomplete VBR Header.",
    "No subsequent frame found within tolerance range.",
    "No frame found.",
    "HeaderCorrupt",
    "Free Bitrate currently not supported",
    "Incompatible Header",
    "Corrupt Lyrics3 Tag",
};

} // namespace

CMPAException::CMPAException(Error error, const QString& fileName, const QString& functionName, bool lastError)
    : m_error(error), m_fileName(fileName), m_functionName(functionName), m_lastError(lastError),
      m_systemError(lastError ? errno : 0) {}

const char* CMPAException::GetMessage(Error error) {
    const auto index = static_cast<std::size_t>(error);
    return index < std::size(kMessages) ? kMessages[index] : "";
}

const char* CMPAException::what() const noexcept {
    return GetMessage(m_error);
}

QString CMPAException::GetErrorDescription() const {
    QString text;
    if (!m_functionName.isEmpty()) {
        text += QStringLiteral("%1: ").arg(m_functionName);
    }
    if (!m_fileName.isEmpty()) {
        text += QStringLiteral("'%1'\n").arg(m_fileName);
    }
    text += QString::fromLatin1(GetMessage(m_error));
    if (m_lastError) {
        // std::generic_category's message is the thread-safe form of strerror.
        text += u'\n' + QString::fromLocal8Bit(std::generic_category().message(m_systemError));
    }
    return text;
}

void CMPAException::ShowError(base::Prompt& prompt) const {
    ShowMpaFileError(prompt, GetErrorDescription());
}

} // namespace zk::audio
