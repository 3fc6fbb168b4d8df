#pragma once

#include "headerfields.h"

#include <optional>
#include <string>
#include <string_view>

namespace archive {

// The HTTP response stored in a WARC response record: status line, header fields and the body as
// it went over the wire (transfer and content codings still on; see PayloadDecoder).
struct HttpResponse
{
    int status = 0;
    std::string_view reason; // may be empty: some servers send none
    HeaderFields headers;
    std::string_view body;
};

// The response that block (a response record's block) holds, or nullopt when it holds no HTTP/1
// response (a status line "HTTP/1.1 200 OK"; "HTTP/1.0", and "HTTP/2" as browser-driven crawlers
// write it, are read too). Folded header lines are unfolded in place, so the views point into
// block. A block that ends inside the header gives a response without body.
std::optional<HttpResponse> parseHttpResponse(std::string &block);

} // namespace archive
