// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Whole-file reads and safe whole-file writes. Thread-safe (no shared state).
namespace zk::platform {

inline constexpr std::size_t kDefaultReadLimitBytes = 64u * 1024u * 1024u;

// The whole content of a regular file; nothing when it is missing, not a regular file, unreadable,
// or larger than maxBytes.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes = kDefaultReadLimitBytes);

// Writes all the content into the open temporary file and flushes it to disk. Returns 0, or the
// positive errno of what failed. Replaceable so that tests can make a write fail half-way.
using FileWriteStep = std::function<int(int fd, std::string_view content)>;

// The write step used when none is given: write() until done, then fsync().
int WriteAllAndSync(int fd, std::string_view content);

// Replaces the file's content in one step: writes a temporary file in the same folder, flushes it
// to disk and renames it over the old file, so a crash or a full disk never leaves a truncated file.
// The file gets the given permission bits. Returns 0, -1 when the temporary file cannot be created,
// or the positive errno of the step that failed (the old file is then untouched).
int WriteFileAtomically(const std::string& path, std::string_view content, unsigned mode = 0644,
                        const FileWriteStep& writeStep = {});

} // namespace zk::platform
