// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Prompt.h"

#include <QString>

#include <exception>

// The failure of the MP3 frame reader. It is thrown and caught inside the audio subsystem only;
// callers outside it receive a result code and GetErrorDescription()'s text (see MpaFileInfo.h).
namespace zk::audio {

class CMPAException final : public std::exception {
public:
    // Index into the message table; the numbers are part of the reader's contract.
    enum class Error {
        CantOpenFile = 0,
        CantSetFilePosition = 1,
        CantReadFromFile = 2,
        EndOfBuffer = 3,
        NoVBRHeader = 4,
        IncompleteVBRHeader = 5,
        NoFrameInTolerance = 6,
        NoFrameFound = 7,
        HeaderCorrupt = 8,
        FreeBitrate = 9,
        IncompatibleHeader = 10,
        CorruptLyricsTag = 11,
    };

    // functionName names the failing file function ("CreateFile", "ReadFile", ...) or is empty.
    // With lastError the current errno is kept, and its text ends the description.
    CMPAException(Error error, const QString& fileName, const QString& functionName = {}, bool lastError = false);

    Error GetErrorID() const { return m_error; }
    int GetErrorIndex() const { return static_cast<int>(m_error); }
    const QString& GetFileName() const { return m_fileName; }
    const QString& GetFunctionName() const { return m_functionName; }
    bool IsSystemError() const { return m_lastError; }

    // "<function>: '<file>'\n<message>[\n<system error text>]"; the parts without content are left out.
    QString GetErrorDescription() const;
    // Shows the description in an "MPAFile Error" message box. Window thread only.
    void ShowError(base::Prompt& prompt) const;

    // The message table entry alone.
    const char* what() const noexcept override;
    static const char* GetMessage(Error error);

private:
    Error m_error;
    QString m_fileName;
    QString m_functionName;
    bool m_lastError;
    int m_systemError;
};

} // namespace zk::audio
