// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TextCodec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace zk::platform {
namespace {

constexpr const char* kAnsiCodePage = "CP936";
constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";

// Length of the UTF-8 sequence that starts with this byte, for skipping one character that the
// target code page cannot hold; a stray continuation byte counts as one.
std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF7) {
        return 4;
    }
    if (lead >= 0xE0) {
        return lead <= 0xEF ? 3 : 1;
    }
    if (lead >= 0xC0) {
        return 2;
    }
    return 1;
}

// One converter per direction and thread: iconv descriptors keep state and are not shareable.
class Converter final {
public:
    Converter(const char* to, const char* from) : m_handle(iconv_open(to, from)) {}
    ~Converter() {
        if (Valid()) {
            iconv_close(m_handle);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Valid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }

    // Converts the whole input; on a sequence that cannot be converted, appends the replacement
    // and skips as many input bytes as skipLength says.
    template <typename SkipLength>
    std::string Convert(std::string_view input, std::string_view replacement, SkipLength skipLength) {
        std::string output;
        if (!Valid()) {
            return output;
        }
        iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
        output.reserve(input.size() * 2 + 16);
        char buffer[4096];
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        while (inLeft > 0) {
            char* out = buffer;
            std::size_t outLeft = sizeof(buffer);
            const std::size_t result = iconv(m_handle, &in, &inLeft, &out, &outLeft);
            const int error = errno;
            output.append(buffer, static_cast<std::size_t>(out - buffer));
            if (result != static_cast<std::size_t>(-1)) {
                continue;
            }
            if (error == E2BIG) {
                continue;
            }
            // EILSEQ (cannot convert) or EINVAL (cut short at the end): replace and go on.
            output.append(replacement);
            const std::size_t skip = std::min(inLeft, std::max<std::size_t>(1, skipLength(*in)));
            in += skip;
            inLeft -= skip;
            iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
        }
        char* out = buffer;
        std::size_t outLeft = sizeof(buffer);
        iconv(m_handle, nullptr, nullptr, &out, &outLeft);
        output.append(buffer, static_cast<std::size_t>(out - buffer));
        return output;
    }

private:
    iconv_t m_handle;
};

} // namespace

std::string Utf8ToAnsi(std::string_view utf8) {
    thread_local Converter toAnsi(kAnsiCodePage, "UTF-8");
    return toAnsi.Convert(utf8, "?", [](char lead) { return Utf8SequenceLength(static_cast<unsigned char>(lead)); });
}

std::string AnsiToUtf8(std::string_view ansi) {
    thread_local Converter fromAnsi("UTF-8", kAnsiCodePage);
    return fromAnsi.Convert(ansi, kUtf8Replacement, [](char) { return std::size_t{1}; });
}

std::string WideToAnsi(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToAnsi(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QString AnsiToWide(std::string_view text) {
    // Plain ASCII reads the same in code page 936; most device fields are ASCII and skip iconv.
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    }
    const std::string utf8 = AnsiToUtf8(text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace zk::platform
