// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SpecialFolders.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace zk::platform {
namespace {

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (m_old) {
            setenv(m_name, m_old->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(SpecialFoldersTest, XdgFoldersComeFromTheVariablesWhenTheyAreAbsolute) {
    ScopedEnv home("HOME", "/home/installer");
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/cfg/");
        ScopedEnv state("XDG_STATE_HOME", "/st");
        EXPECT_EQ(ConfigFolder(), "/cfg/zkdevtool");
        EXPECT_EQ(StateFolder(), "/st/zkdevtool");
    }
    {
        ScopedEnv config("XDG_CONFIG_HOME", "relative/cfg");
        ScopedEnv state("XDG_STATE_HOME", nullptr);
        EXPECT_EQ(ConfigFolder(), "/home/installer/.config/zkdevtool") << "a relative value is ignored";
        EXPECT_EQ(StateFolder(), "/home/installer/.local/state/zkdevtool");
    }
}

TEST(SpecialFoldersTest, TheDocumentsFolderFollowsTheXdgUserFolders) {
    test::TempFolder home;
    std::filesystem::create_directory(home / "config");
    ScopedEnv homeVariable("HOME", home.Path().c_str());
    ScopedEnv config("XDG_CONFIG_HOME", (home / "config").c_str());
    EXPECT_EQ(DocumentsFolder(), home / "Documents") << "without user-dirs.dirs";
    ASSERT_TRUE(test::WriteFile(home / "config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente/\"\n"));
    EXPECT_EQ(DocumentsFolder(), home / "Dokumente") << "the user's choice, without the trailing slash";
}

TEST(SpecialFoldersTest, TheExecutableFolderHoldsThisTestProgram) {
    const std::string folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(std::filesystem::exists(folder + "/test_platform"));
}

TEST(SpecialFoldersTest, EnsureFolderCreatesParentsAndRefusesARegularFile) {
    test::TempFolder temp;
    const std::string nested = temp / "a/b/c";
    EXPECT_TRUE(EnsureFolder(nested, 0700));
    EXPECT_TRUE(std::filesystem::is_directory(nested));
    EXPECT_TRUE(IsWritableFolder(nested));
    EXPECT_TRUE(EnsureFolder(nested)) << "an existing folder is fine";

    ASSERT_TRUE(test::WriteFile(temp / "file", "x"));
    EXPECT_FALSE(EnsureFolder(temp / "file"));
    EXPECT_FALSE(EnsureFolder(temp / "file/below"));
    EXPECT_FALSE(IsWritableFolder(temp / "file"));
    EXPECT_FALSE(EnsureFolder(""));
}

} // namespace
} // namespace zk::platform
