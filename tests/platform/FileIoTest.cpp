// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileIo.h"
#include "platform/RegistryStore.h"

#include "support/TempFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <thread>

namespace zk::platform {
namespace {

using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

std::size_t EntryCount(const std::string& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

unsigned PermissionBits(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 0777;
}

TEST(FileIoTest, ReadsWholeRegularFilesOnly) {
    TempFolder temp;
    ASSERT_TRUE(WriteFile(temp / "a.txt", std::string("x\0y", 3)));
    EXPECT_EQ(ReadWholeFile(temp / "a.txt"), std::string("x\0y", 3));
    EXPECT_EQ(ReadWholeFile(temp / "missing"), std::nullopt);
    EXPECT_EQ(ReadWholeFile(temp.Path()), std::nullopt) << "a folder is not a file";
    EXPECT_EQ(ReadWholeFile(temp / "a.txt", 2), std::nullopt) << "a file over the limit is refused, not cut";
    EXPECT_EQ(ReadWholeFile(temp / "a.txt", 3), std::string("x\0y", 3));
}

TEST(FileIoTest, AtomicWriteReplacesTheFileWithTheGivenPermissions) {
    TempFolder temp;
    const std::string path = temp / "settings.xml";
    ASSERT_TRUE(WriteFile(path, "old"));
    EXPECT_EQ(WriteFileAtomically(path, "new content", 0600), 0);
    EXPECT_EQ(ReadFile(path), "new content");
    EXPECT_EQ(PermissionBits(path), 0600u);
    EXPECT_EQ(EntryCount(temp.Path()), 1u) << "no temporary file is left behind";
}

TEST(FileIoTest, ALinkedFileIsReplacedWhereTheLinkPointsAndTheLinkStays) {
    TempFolder temp;
    std::filesystem::create_directory(temp / "real");
    ASSERT_TRUE(WriteFile(temp / "real/settings.xml", "old"));
    std::filesystem::create_symlink(temp / "real/settings.xml", temp / "settings.xml");
    EXPECT_EQ(WriteFileAtomically(temp / "settings.xml", "new", 0600), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(temp / "settings.xml"));
    EXPECT_EQ(ReadFile(temp / "real/settings.xml"), "new");
}

TEST(FileIoTest, TwoWritersAtOnceLeaveOneWholeFile) {
    TempFolder temp;
    const std::string path = temp / "settings.xml";
    const std::string first(200000, 'a');
    const std::string second(150000, 'b');
    std::thread other([&] {
        for (int i = 0; i < 20; ++i) {
            EXPECT_EQ(WriteFileAtomically(path, second), 0);
        }
    });
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(WriteFileAtomically(path, first), 0);
    }
    other.join();
    const std::string result = ReadFile(path);
    EXPECT_TRUE(result == first || result == second) << "a mixture of both writers";
    EXPECT_EQ(EntryCount(temp.Path()), 1u);
}

TEST(FileIoTest, AFailedAtomicWriteLeavesTheOldFileIntact) {
    TempFolder temp;
    // A folder where the file itself should go: the rename fails after the write.
    const std::string folder = temp / "folder.xml";
    std::filesystem::create_directory(folder);
    EXPECT_GT(WriteFileAtomically(folder, "data"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(EntryCount(temp.Path()), 1u) << "no temporary file is left behind";

    EXPECT_EQ(WriteFileAtomically(temp / "no/such/folder/file", "x"), -1);
}

TEST(FileIoTest, AWriteThatFailsHalfWayLeavesTheOldFileAndNoTemporaryFile) {
    TempFolder temp;
    const std::string path = temp / "settings.xml";
    ASSERT_TRUE(WriteFile(path, "old contents"));
    // Half the bytes reach the disk, then the disk is full.
    const FileWriteStep halfThenFull = [](int fd, std::string_view content) {
        EXPECT_GT(::write(fd, content.data(), content.size() / 2), 0);
        return ENOSPC;
    };
    EXPECT_EQ(WriteFileAtomically(path, "new contents that never fully arrive", 0600, halfThenFull), ENOSPC);
    EXPECT_EQ(WriteFileAtomically(path, "x", 0600, [](int, std::string_view) { return -1; }), EIO)
        << "a failure without a reason is still a failure";
    EXPECT_EQ(ReadFile(path), "old contents");
    EXPECT_EQ(EntryCount(temp.Path()), 1u);
}

TEST(RegistryStoreTest, ValuesAreWrittenReadAndKeptApart) {
    TempFolder temp;
    RegistryStore store(temp / "ZkDevTools");
    EXPECT_EQ(store.ReadValue("Language"), std::nullopt);
    EXPECT_EQ(store.WriteValue("Language", "Korean"), 0);
    EXPECT_EQ(store.WriteValue("Other", "1"), 0);
    EXPECT_EQ(store.WriteValue("Language", "Simplified Chinese"), 0);
    EXPECT_EQ(store.ReadValue("Language"), "Simplified Chinese");
    EXPECT_EQ(store.ReadValue("Other"), "1");
    EXPECT_EQ(ReadFile(store.FilePath()), "Language=Simplified Chinese\nOther=1\n");
    EXPECT_EQ(PermissionBits(store.FilePath()), 0600u);
}

TEST(RegistryStoreTest, ALineEndInAValueCannotAddAnotherEntry) {
    TempFolder temp;
    RegistryStore store(temp / "ZkDevTools");
    EXPECT_EQ(store.WriteValue("Language", "Korean\nInjected=1"), 0);
    EXPECT_EQ(store.ReadValue("Injected"), std::nullopt);
    EXPECT_EQ(store.ReadValue("Language"), "KoreanInjected=1");
}

TEST(RegistryStoreTest, AStoreWhoseFolderCannotBeMadeFailsWithMinusOne) {
    TempFolder temp;
    ASSERT_TRUE(WriteFile(temp / "ZkDevTools", "a regular file where the folder should be"));
    RegistryStore store(temp / "ZkDevTools");
    EXPECT_EQ(store.WriteValue("Language", "Korean"), -1);
    EXPECT_EQ(store.ReadValue("Language"), std::nullopt);
}

} // namespace
} // namespace zk::platform
