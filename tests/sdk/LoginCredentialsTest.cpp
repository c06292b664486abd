// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/LoginCredentials.h"

#include "base/CLoadDisplayCfg.h"
#include "base/CSaveParam.h"
#include "support/ScriptedPrompt.h"
#include "support/TempFolder.h"

#include "../discovery/ListLanguage.h"

#include <gtest/gtest.h>

namespace zk::sdk {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

class LoginCredentialsTest : public ::testing::Test {
protected:
    LoginCredentialsTest() {
        m_settings.SetDefaultUserName(QStringLiteral("installer"));
        m_settings.SetDefaultPassword(QStringLiteral("site-pw"));
    }
    // The display file with the operation password edit shown or hidden.
    base::CLoadDisplayCfg Display(int operatePassword) {
        base::CLoadDisplayCfg display(std::string("/nonexistent"));
        display.LoadText("<root><IDC_EDIT_OPERATE_PASSWORD display=\"" + std::to_string(operatePassword) +
                         "\"/></root>");
        return display;
    }

    test::TempFolder m_folder;
    base::CSaveParam m_settings{Q(m_folder.Path())};
    test::ListLanguage m_language{false,
                                  {{"IDS_OPERATE_PASSWD_TIPS1", "T1"},
                                   {"IDS_OPERATE_PASSWD_TIPS3", "T3"},
                                   {"IDS_OPERATE_PASSWD_TIPS4", "T4"},
                                   {"IDS_OPERATE_PASSWD_TIPS5", "T5"},
                                   {"IDS_OPERATE_PASSWD_TIPS6", "T6"},
                                   {"IDS_OPERATE_PASSWD_TIPS7", "T7"}}};
    test::ScriptedPrompt m_prompt;
    QString m_user;
    QString m_password;
};

TEST_F(LoginCredentialsTest, TheDisplayValueChoosesTheDefaultUserOrAdminWithTheTrimmedEdit) {
    ASSERT_TRUE(GetOperationCredentials(m_settings, Display(0), QStringLiteral("typed"), m_language.Table(), m_prompt,
                                        m_user, m_password));
    EXPECT_EQ(m_user, u"installer");
    EXPECT_EQ(m_password, u"site-pw");
    ASSERT_TRUE(GetOperationCredentials(m_settings, Display(1), QStringLiteral("  typed \t"), m_language.Table(),
                                        m_prompt, m_user, m_password));
    EXPECT_EQ(m_user, u"admin");
    EXPECT_EQ(m_password, u"typed");
    EXPECT_TRUE(m_prompt.Questions().empty());
}

TEST_F(LoginCredentialsTest, ABlankOperationPasswordAbandonsTheOperationWithAnExplanation) {
    EXPECT_FALSE(GetOperationCredentials(m_settings, Display(2), QStringLiteral("   "), m_language.Table(), m_prompt,
                                         m_user, m_password));
    ASSERT_EQ(m_prompt.Questions().size(), 1u);
    const auto& message = m_prompt.Questions()[0];
    EXPECT_EQ(message.caption, u"T1");
    EXPECT_EQ(message.text, u"T1: T7, T3, T4, T5, T6");
    EXPECT_EQ(message.icon, base::PromptIcon::Error);
}

} // namespace
} // namespace zk::sdk
