#pragma once

#include <string>
#include <string_view>

namespace links {

// An HTML response body as UTF-8, its encoding found the way a browser finds it: a byte-order
// mark; else the charset parameter of contentType (the HTTP Content-Type); else a
// <meta charset> or <meta http-equiv="Content-Type" content="…charset=…"> in the first 1024
// bytes; else UTF-8 when the bytes are valid UTF-8; else windows-1252. Labels mean what the
// WHATWG Encoding Standard says they mean; a label nobody knows is passed over. Bytes that
// are not valid in their encoding become U+FFFD. Valid UTF-8 comes out as the same bytes.
std::string htmlToUtf8(std::string_view body, std::string_view contentType);

// Whether a body served without a Content-Type is HTML, by the WHATWG MIME-sniffing rule: after
// leading whitespace, "<!DOCTYPE HTML", "<HTML", "<HEAD", "<BODY", "<P", "<!--", … in any case,
// followed by a space or ">".
bool looksLikeHtml(std::string_view body);

// Whether a Content-Type names an HTML page: text/html or application/xhtml+xml, in any case,
// whatever its parameters.
bool isHtmlContentType(std::string_view contentType);

} // namespace links
