// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/LanguageTable.h"

#include "base/Prompt.h"
#include "platform/FileIo.h"
#include "platform/RegistryStore.h"
#include "platform/SpecialFolders.h"

#include <tinyxml2.h>

#include <array>

namespace zk::base {
namespace {

// Shipped text files are small; a file beyond this is not one of them.
constexpr std::size_t kResourceFileMaxBytes = 16u * 1024u * 1024u;

struct StoredLanguage {
    const char* storedName;
    const char* code;
};

// Names the store may hold and the code each selects at start.
constexpr std::array<StoredLanguage, 7> kStoredLanguages = {{
    {"Simplified Chinese", "zh-cn"},
    {"Traditional Chinese", "zh-tw"},
    {"Korean", "ko-ko"},
    {"Polish", "pl-pl"},
    {"Russian", "Russian"},
    {"Mongolian", "Mongolian"},
    {"Portuguese", "pt-br"},
}};

struct MenuLanguage {
    const char* code;
    const char* alternative;
    const char* storedName;
};

// Codes the language menu passes and the name written for each.
constexpr std::array<MenuLanguage, 7> kMenuLanguages = {{
    {"zh_cn", "zh-cn", "Simplified Chinese"},
    {"zh_tw", "zh-tw", "Traditional Chinese"},
    {"en_us", nullptr, "en-us"},
    {"ko_ko", "ko-ko", "Korean"},
    {"pl-pl", "pl_pl", "Polish"},
    {"Russian", nullptr, "Russian"},
    {"Mongolian", nullptr, "Mongolian"},
}};

bool Parse(tinyxml2::XMLDocument& document, std::string_view xml) {
    return document.Parse(xml.data(), xml.size()) == tinyxml2::XML_SUCCESS;
}

// The text of an element: the first text node met by descending through first children.
const char* ElementText(const tinyxml2::XMLElement& element) {
    for (const tinyxml2::XMLNode* node = element.FirstChild(); node != nullptr; node = node->FirstChild()) {
        if (const tinyxml2::XMLText* text = node->ToText()) {
            return text->Value();
        }
    }
    return nullptr;
}

QString CutText(QString text) {
    if (text.size() > kLanguageTextMaxUnits) {
        text.truncate(kLanguageTextMaxUnits);
        // Never keep half of a surrogate pair.
        if (text.back().isHighSurrogate()) {
            text.chop(1);
        }
    }
    return text;
}

// A key name becomes a folder name; it must stay one folder below the configuration base.
std::string SafeFolderName(const std::string& name) {
    std::string safe;
    for (const char c : name) {
        safe.push_back(c == '/' || c == '\0' ? '_' : c);
    }
    if (safe.empty() || safe == "." || safe == "..") {
        return kDefaultRegistryKeyName;
    }
    return safe;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

} // namespace

LanguageSources DefaultLanguageSources() {
    LanguageSources sources;
    sources.findProgramFile = [](const std::string& name) { return platform::FindProgramFile(name); };
    sources.registryFolder = [](const std::string& keyName) {
        return platform::UserConfigBase() + '/' + SafeFolderName(keyName);
    };
    return sources;
}

std::optional<std::string> ReadRegistryKeyName(std::string_view xml) {
    tinyxml2::XMLDocument document;
    if (!Parse(document, xml)) {
        return std::nullopt;
    }
    const tinyxml2::XMLElement* root = document.FirstChildElement("root");
    const tinyxml2::XMLElement* registry = root != nullptr ? root->FirstChildElement("Registry") : nullptr;
    const char* name = registry != nullptr ? registry->Attribute("name") : nullptr;
    return std::string(name != nullptr ? name : kDefaultRegistryKeyName);
}

LanguageIndex ReadLanguageIndex(std::string_view xml, const QString& code) {
    LanguageIndex index;
    tinyxml2::XMLDocument document;
    if (!Parse(document, xml)) {
        return index;
    }
    index.parsed = true;
    const tinyxml2::XMLElement* lang = document.FirstChildElement("Lang");
    if (lang == nullptr) {
        return index;
    }
    const QByteArray wanted = code.toUtf8();
    for (const tinyxml2::XMLElement* resources = lang->FirstChildElement("Resources"); resources != nullptr;
         resources = resources->NextSiblingElement("Resources")) {
        const char* lan = resources->Attribute("lan");
        if (lan == nullptr || wanted != lan) {
            continue;
        }
        LanguageEntry entry;
        if (const char* fileName = resources->Attribute("filename")) {
            entry.fileName = fileName;
        }
        if (const char* title = resources->Attribute("TITLE")) {
            entry.title = QString::fromUtf8(title);
        }
        index.entry = std::move(entry);
        break;
    }
    return index;
}

bool ReadLanguageTexts(std::string_view xml, std::map<std::string, QString, std::less<>>& texts) {
    tinyxml2::XMLDocument document;
    if (!Parse(document, xml)) {
        return false;
    }
    const tinyxml2::XMLElement* lang = document.FirstChildElement("Lang");
    if (lang == nullptr) {
        return true;
    }
    for (const tinyxml2::XMLElement* resources = lang->FirstChildElement("Resources"); resources != nullptr;
         resources = resources->NextSiblingElement("Resources")) {
        for (const tinyxml2::XMLElement* item = resources->FirstChildElement(); item != nullptr;
             item = item->NextSiblingElement()) {
            if (const char* text = ElementText(*item)) {
                texts.insert_or_assign(std::string(item->Name()), CutText(QString::fromUtf8(text)));
            }
        }
    }
    return true;
}

LanguageTable::LanguageTable(LanguageSources sources) : m_sources(std::move(sources)) {
    // The language remembered for this installation.
    if (const auto registryXml =
            platform::ReadWholeFile(m_sources.findProgramFile("registry.xml"), kResourceFileMaxBytes)) {
        if (const auto name = ReadRegistryKeyName(*registryXml)) {
            m_registryKeyName = *name;
            m_loaded = true;
        }
    }
    platform::RegistryStore store(m_sources.registryFolder(m_registryKeyName));
    std::string stored = store.ReadValue(kRegistryLanguageValue).value_or(std::string());
    if (stored.size() > kRegistryValueMaxBytes) {
        stored.resize(kRegistryValueMaxBytes);
    }
    m_currentCode = m_sources.languageCode.isEmpty() ? LanguageCodeForStoredName(stored) : m_sources.languageCode;

    // The language file and title of that language.
    const std::string indexPath = m_sources.findProgramFile("language.xml");
    const auto indexXml = platform::ReadWholeFile(indexPath, kResourceFileMaxBytes);
    if (!indexXml) {
        return;
    }
    const LanguageIndex index = ReadLanguageIndex(*indexXml, m_currentCode);
    if (!index.parsed) {
        return;
    }
    m_loaded = true;
    if (!index.entry) {
        return;
    }
    // Language files lie beside the index that names them.
    const std::string languagePath = FolderOf(indexPath) + '/' + index.entry->fileName;
    m_languageFilePath = QString::fromStdString(languagePath);
    if (index.entry->title) {
        m_title = *index.entry->title;
    }
    if (const auto texts = platform::ReadWholeFile(languagePath, kResourceFileMaxBytes)) {
        ReadLanguageTexts(*texts, m_texts);
    }
}

QString LanguageTable::GetText(std::string_view key) const {
    const auto found = m_texts.find(key);
    return found == m_texts.end() ? QString() : found->second;
}

int LanguageTable::SetUiLanguage(const QString& code) {
    platform::RegistryStore store(m_sources.registryFolder(m_registryKeyName));
    return store.WriteValue(kRegistryLanguageValue, StoredNameForLanguageCode(code));
}

LanguageTable& GetLanguageTable() {
    // Never destroyed: worker threads may still read texts while the process ends.
    static LanguageTable* const table = new LanguageTable(DefaultLanguageSources());
    return *table;
}

QString GetText(std::string_view key) {
    return GetLanguageTable().GetText(key);
}

QString LanguageCodeForStoredName(std::string_view name) {
    for (const auto& language : kStoredLanguages) {
        if (name == language.storedName) {
            return QString::fromLatin1(language.code);
        }
    }
    return QString::fromLatin1(kDefaultLanguageCode);
}

std::string StoredNameForLanguageCode(const QString& code) {
    for (const auto& language : kMenuLanguages) {
        if (code == QLatin1StringView(language.code) ||
            (language.alternative != nullptr && code == QLatin1StringView(language.alternative))) {
            return language.storedName;
        }
    }
    return kDefaultLanguageCode;
}

QString LanguageCodeForCommand(int command) {
    switch (command) {
    case kCmdLanguageZhCn:
        return QStringLiteral("zh_cn");
    case kCmdLanguageZhTw:
        return QStringLiteral("zh_tw");
    case kCmdLanguageKorean:
        return QStringLiteral("ko_ko");
    case kCmdLanguageRussian:
        return QStringLiteral("Russian");
    case kCmdLanguageMongolian:
        return QStringLiteral("Mongolian");
    default:
        return QStringLiteral("en_us");
    }
}

int SwitchUiLanguage(int command, LanguageTable& table, Prompt& prompt) {
    const int result = table.SetUiLanguage(LanguageCodeForCommand(command));
    if (result != 0) {
        prompt.ShowMessage(QStringLiteral("ERROR"),
                           table.GetText("SWITCHLANGUAGE") + u' ' + table.GetText("STRING_FAILED") + u'\n' +
                               table.GetText("LANGAGE_SWITCH_TIPS1"),
                           PromptIcon::Error);
    } else {
        prompt.ShowMessage(QStringLiteral("Tips"),
                           table.GetText("SWITCHLANGUAGE") + u' ' + table.GetText("STRING_SUCCESS") + u'.' + u'\n' +
                               table.GetText("LANGAGE_SWITCH_TIPS2"),
                           PromptIcon::Information);
    }
    return result;
}

} // namespace zk::base
