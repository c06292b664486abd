// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file may hold any bytes: loading must never fail, and whatever was loaded must save
// as a document that loads again to the same values.
#include "base/CSaveParam.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // No file is read or written: the folder does not exist and only the document is handled.
    static zk::base::CSaveParam settings(QStringLiteral("/nonexistent/zkdevtool-fuzz"));
    settings.LoadXml(std::string_view(reinterpret_cast<const char*>(data), size));
    if (settings.QrShow() != 0 && settings.QrShow() != 1) {
        std::abort();
    }
    const std::string saved = settings.ToXml();
    if (settings.LoadXml(saved) != 0) {
        std::abort();
    }
    return 0;
}
