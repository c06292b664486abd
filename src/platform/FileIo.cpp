// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileIo.h"

#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace zk::platform {

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) > maxBytes) {
        return std::nullopt;
    }
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t length = ::read(file.Get(), buffer, sizeof(buffer));
        if (length < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (length == 0) {
            return content;
        }
        // The file may grow while it is read; the limit holds for what is read.
        if (content.size() + static_cast<std::size_t>(length) > maxBytes) {
            return std::nullopt;
        }
        content.append(buffer, static_cast<std::size_t>(length));
    }
}

int WriteAllAndSync(int fd, std::string_view content) {
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t result = ::write(fd, content.data() + written, content.size() - written);
        if (result < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        written += static_cast<std::size_t>(result);
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

int WriteFileAtomically(const std::string& path, std::string_view content, unsigned mode,
                        const FileWriteStep& writeStep) {
    // A file that is a symbolic link is replaced where the link points, so the link stays.
    std::string target = path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    // A temporary name of its own per writer, so two writers never share one half-written file.
    std::string temporary = target + ".XXXXXX";
    UniqueFd file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!file) {
        return -1;
    }
    auto fail = [&temporary](int error) {
        ::unlink(temporary.c_str());
        return error;
    };
    if (::fchmod(file.Get(), static_cast<mode_t>(mode)) != 0) {
        return fail(errno);
    }
    if (const int error = writeStep ? writeStep(file.Get(), content) : WriteAllAndSync(file.Get(), content)) {
        // A step that fails without saying why still counts as an I/O error, never as success.
        return fail(error > 0 ? error : EIO);
    }
    if (::close(file.Release()) != 0) {
        return fail(errno);
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        return fail(errno);
    }
    return 0;
}

} // namespace zk::platform
