// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/LoginCredentials.h"

#include "base/CLoadDisplayCfg.h"
#include "base/CSaveParam.h"
#include "base/LanguageTable.h"
#include "base/Prompt.h"

namespace zk::sdk {

bool GetOperationCredentials(const base::CSaveParam& settings, const base::CLoadDisplayCfg& display,
                             const QString& operatePasswordText, const base::LanguageTable& texts, base::Prompt& prompt,
                             QString& user, QString& password) {
    user = settings.DefaultUserName();
    password = settings.DefaultPassword();
    if (display.GetDisplay(base::kDisplayOperatePassword) == 0) {
        return true;
    }
    user = QLatin1StringView(kOperationUser);
    password = operatePasswordText.trimmed();
    if (!password.isEmpty()) {
        return true;
    }
    const QString separator = QStringLiteral(", ");
    const QString text =
        texts.GetText("IDS_OPERATE_PASSWD_TIPS1") + QStringLiteral(": ") + texts.GetText("IDS_OPERATE_PASSWD_TIPS7") +
        separator + texts.GetText("IDS_OPERATE_PASSWD_TIPS3") + separator + texts.GetText("IDS_OPERATE_PASSWD_TIPS4") +
        separator + texts.GetText("IDS_OPERATE_PASSWD_TIPS5") + separator + texts.GetText("IDS_OPERATE_PASSWD_TIPS6");
    prompt.ShowMessage(texts.GetText("IDS_OPERATE_PASSWD_TIPS1"), text, base::PromptIcon::Error);
    return false;
}

} // namespace zk::sdk
