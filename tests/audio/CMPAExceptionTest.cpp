// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/CMPAException.h"
#include "audio/CMPAFile.h"
#include "audio/MpaFileInfo.h"
#include "support/ScriptedPrompt.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace zk::audio {
namespace {

using Error = CMPAException::Error;

TEST(CMPAExceptionTest, DescriptionLeavesOutWhatIsNotKnown) {
    EXPECT_EQ(CMPAException(Error::CantReadFromFile, QStringLiteral("/music/a.mp3"), QStringLiteral("ReadFile"))
                  .GetErrorDescription(),
              QStringLiteral("ReadFile: '/music/a.mp3'\nCan't read from file."));
    EXPECT_EQ(CMPAException(Error::CorruptLyricsTag, QStringLiteral("b.mp3")).GetErrorDescription(),
              QStringLiteral("'b.mp3'\nCorrupt Lyrics3 Tag"));
    EXPECT_EQ(CMPAException(Error::NoFrameFound, QString()).GetErrorDescription(), QStringLiteral("No frame found."));
}

TEST(CMPAExceptionTest, SystemErrorsEndWithTheSystemText) {
    errno = ENOENT;
    const CMPAException error(Error::CantOpenFile, QStringLiteral("x.mp3"), QStringLiteral("CreateFile"), true);
    errno = 0;
    EXPECT_TRUE(error.IsSystemError());
    EXPECT_EQ(error.GetErrorDescription(), QStringLiteral("CreateFile: 'x.mp3'\nCan't open the file.\nNo such file or "
                                                          "directory"));
}

TEST(CMPAExceptionTest, ShowErrorIsAnMpaFileErrorBox) {
    test::ScriptedPrompt prompt;
    CMPAException(Error::FreeBitrate, QStringLiteral("c.mp3")).ShowError(prompt);
    ShowMpaFileError(prompt, QStringLiteral("some text"));
    ASSERT_EQ(prompt.Questions().size(), 2u);
    EXPECT_EQ(prompt.Questions()[0].caption, QStringLiteral("MPAFile Error"));
    EXPECT_EQ(prompt.Questions()[0].text, QStringLiteral("'c.mp3'\nFree Bitrate currently not supported"));
    EXPECT_EQ(prompt.Questions()[0].icon, base::PromptIcon::Error);
    EXPECT_EQ(prompt.Questions()[1].text, QStringLiteral("some text"));
    EXPECT_TRUE(prompt.Problems().isEmpty());
}

// Opening goes through the file functions' names: a missing file and a folder fail at
// "CreateFile" with the system's reason.
TEST(CMPAExceptionTest, FilesThatCannotBeOpenedNameCreateFile) {
    test::TempFolder folder;
    for (const auto& path : {folder / "missing.mp3", folder.Path()}) {
        try {
            CMPAFile file(QString::fromStdString(path));
            FAIL() << path << " opened";
        } catch (const CMPAException& error) {
            EXPECT_EQ(error.GetErrorID(), Error::CantOpenFile);
            EXPECT_EQ(error.GetFunctionName(), QStringLiteral("CreateFile"));
            EXPECT_TRUE(error.IsSystemError());
            EXPECT_TRUE(error.GetErrorDescription().startsWith(
                QStringLiteral("CreateFile: '%1'\n").arg(QString::fromStdString(path))));
        }
    }
}

} // namespace
} // namespace zk::audio
