// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace zk::base {
class CLoadDisplayCfg;
class CSaveParam;
class LanguageTable;
class Prompt;
} // namespace zk::base

// The credentials of the operations that go over the search protocol instead of a login. Window
// thread only (the settings object and the prompt belong to it).
namespace zk::sdk {

// The user of the operation credentials when the operation password edit is used.
inline constexpr const char* kOperationUser = "admin";

// The credentials for reboot by broadcast, restore and IP changes. The display value 1055 (absent:
// 1) chooses: 0 the default login user; otherwise "admin" with the operation password edit's text,
// blanks trimmed. An empty operation password shows an error message explaining what it is needed
// for and returns false: the operation is abandoned. True with user and password filled otherwise.
bool GetOperationCredentials(const base::CSaveParam& settings, const base::CLoadDisplayCfg& display,
                             const QString& operatePasswordText, const base::LanguageTable& texts, base::Prompt& prompt,
                             QString& user, QString& password);

} // namespace zk::sdk
