// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// Marks a string literal as a language key where it is stored in a table rather than passed to
// GetText directly, so that the check of the shipped language files finds it.
#define ZK_TEXT_KEY(key) key

namespace zk::base {

class Prompt;

inline constexpr const char* kDefaultRegistryKeyName = "ZkDevTools";
inline constexpr const char* kRegistryLanguageValue = "Language";
inline constexpr const char* kDefaultLanguageCode = "en-us";
// Longest text kept from a language file, in UTF-16 code units.
inline constexpr qsizetype kLanguageTextMaxUnits = 5119;
// Longest registry value read, in bytes.
inline constexpr std::size_t kRegistryValueMaxBytes = 100;

// Menu commands of the language menu.
inline constexpr int kCmdLanguageZhCn = 1950;
inline constexpr int kCmdLanguageZhTw = 1951;
inline constexpr int kCmdLanguageEnglish = 1952;
inline constexpr int kCmdLanguageKorean = 1953;
inline constexpr int kCmdLanguageRussian = 1954;
inline constexpr int kCmdLanguageMongolian = 1955;

// Where the language table finds its files.
struct LanguageSources {
    // Path of a file shipped with the program ("registry.xml", "language.xml").
    std::function<std::string(const std::string& name)> findProgramFile;
    // Folder of the per-user store that remembers the language, for the key name of registry.xml.
    std::function<std::string(const std::string& keyName)> registryFolder;
    // A language code ("en-us") used instead of the remembered language; empty: the remembered one.
    QString languageCode;
};

// The shipped files' folder and the per-user configuration base.
LanguageSources DefaultLanguageSources();

// The texts of the user-interface language, looked up by upper-case keys. Built once (on the
// window thread) and only read afterwards, so any thread may read it without a lock.
class LanguageTable final {
public:
    explicit LanguageTable(LanguageSources sources);

    // The text of a key; empty when the key is absent or no language file was read.
    QString GetText(std::string_view key) const;
    // The program title in the current language; empty when language.xml named none.
    QString GetTitle() const { return m_title; }
    // True when the current language is Simplified Chinese.
    bool IsChineseUi() const { return m_currentCode == u"zh-cn"; }

    // Remembers a language (a menu code such as "zh_cn" or "Russian") for the next start.
    // Returns 0, -1 when the store cannot be created or opened, or the store's error.
    int SetUiLanguage(const QString& code);

    QString CurrentCode() const { return m_currentCode; }
    QString LanguageFilePath() const { return m_languageFilePath; }
    std::string RegistryKeyName() const { return m_registryKeyName; }
    // True once registry.xml or language.xml has been parsed.
    bool Loaded() const { return m_loaded; }
    std::size_t TextCount() const { return m_texts.size(); }

private:
    LanguageSources m_sources;
    std::string m_registryKeyName = kDefaultRegistryKeyName;
    QString m_currentCode = QStringLiteral("en-us");
    QString m_languageFilePath;
    QString m_title;
    bool m_loaded = false;
    std::map<std::string, QString, std::less<>> m_texts;
};

// The process's language table, created from the default sources on the first call.
LanguageTable& GetLanguageTable();
// GetLanguageTable().GetText(key).
QString GetText(std::string_view key);

// The language code set at start for a name read from the store ("Korean" gives "ko-ko"); any
// other name gives "en-us".
QString LanguageCodeForStoredName(std::string_view name);
// The name written to the store for a code passed by the language menu ("zh_cn" gives
// "Simplified Chinese"); an unknown code gives "en-us".
std::string StoredNameForLanguageCode(const QString& code);
// The code passed for a language menu command; any other command gives "en_us".
QString LanguageCodeForCommand(int command);

// Handles a language menu command: remembers the language and tells the person that it takes
// effect at the next start, or that it could not be remembered. Returns SetUiLanguage's result.
int SwitchUiLanguage(int command, LanguageTable& table, Prompt& prompt);

// The parsers of the three kinds of files, usable on any bytes.
// The key name that registry.xml gives; nothing when the text does not parse. A parsed file
// without "root" or "Registry" gives the default name.
std::optional<std::string> ReadRegistryKeyName(std::string_view xml);
// The first "Resources" entry of language.xml for the code: its file name and its title.
struct LanguageEntry {
    std::string fileName;
    std::optional<QString> title;
};
// Nothing in .parsed when the text does not parse; no .entry when no entry matches.
struct LanguageIndex {
    bool parsed = false;
    std::optional<LanguageEntry> entry;
};
LanguageIndex ReadLanguageIndex(std::string_view xml, const QString& code);
// Adds every text of a language file to the map; false when the text does not parse.
bool ReadLanguageTexts(std::string_view xml, std::map<std::string, QString, std::less<>>& texts);

} // namespace zk::base
