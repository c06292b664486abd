// SPDX-License-Identifier: GPL-3.0-or-later
// The scripted prompt is what every test of a question-asking command relies on to notice a
// question nobody expected; these cases keep it honest.
#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

namespace zk::test {
namespace {

TEST(ScriptedPromptTest, AnswersInOrderAndRecordsEveryQuestion) {
    ScriptedPrompt prompt;
    prompt.AnswerYes();
    prompt.AnswerSaveFile(QStringLiteral("/tmp/out.xlsx"));
    base::Prompt& asked = prompt;
    asked.ShowMessage(QStringLiteral("ERROR"), QStringLiteral("nothing ticked"), base::PromptIcon::Error);
    EXPECT_TRUE(asked.AskYesNo(QStringLiteral("TEXT21"), QStringLiteral("sure?"), base::PromptIcon::Question));
    const auto path =
        asked.ChooseSaveFile({QString(), QStringLiteral("Excel (*.xlsx)"), QStringLiteral("IPC EXPORT.xlsx"), {}});
    EXPECT_EQ(path, QStringLiteral("/tmp/out.xlsx"));
    ASSERT_EQ(prompt.Questions().size(), 3u);
    EXPECT_EQ(prompt.Questions()[0].icon, base::PromptIcon::Error);
    EXPECT_EQ(prompt.Questions()[2].proposed, QStringLiteral("IPC EXPORT.xlsx"));
    EXPECT_TRUE(prompt.Problems().isEmpty());
}

TEST(ScriptedPromptTest, UnexpectedQuestionsAndUnusedAnswersAreProblems) {
    ScriptedPrompt prompt;
    prompt.AnswerOpenFile(QStringLiteral("/tmp/a.bin"));
    EXPECT_FALSE(prompt.AskYesNo(QStringLiteral("TEXT21"), QStringLiteral("sure?"), base::PromptIcon::Question))
        << "a question without a fitting answer is answered No";
    EXPECT_EQ(prompt.EnterText({QStringLiteral("pwd"), {}, {}, true}), std::nullopt);
    EXPECT_EQ(prompt.Problems().size(), 3);

    ScriptedPrompt cancelling;
    cancelling.AnswerCancel(ScriptedPrompt::Kind::Folder);
    EXPECT_EQ(cancelling.ChooseFolder(QStringLiteral("firmware"), QStringLiteral("/")), std::nullopt);
    EXPECT_TRUE(cancelling.Problems().isEmpty());
}

} // namespace
} // namespace zk::test
