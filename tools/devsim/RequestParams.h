// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace zk::devsim {

// The attributes of a REQUEST_PARAM element, read as devices read the texts of SystemControl:
// name="value" or name='value' pairs, whitespace between them optional, so that the tool's
// <REQUEST_PARAM ChannelNo="0"Output="1"/> is accepted although an XML parser may refuse it.
// Values have their entities (&quot;, &amp;, &lt;, &gt;, &apos;, &#N;, &#xH;) replaced, numeric
// ones by UTF-8. The element may end with "/>" or with "></REQUEST_PARAM>"; whitespace may
// surround it. Nothing for any other text, for a name given twice, or for an unterminated value.
// Pure code, safe from any thread.
std::optional<std::map<std::string, std::string>> ScanRequestParams(std::string_view text);

} // namespace zk::devsim
