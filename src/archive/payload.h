#pragma once

#include "bodycap.h"
#include "httpresponse.h"

#include <string>
#include <string_view>

namespace archive {

// A response's body with its codings undone.
struct Payload
{
    std::string_view bytes;
    bool cut = false; // a coding gave more than the cap; bytes stop there
};

// Undoes the codings of response bodies as layers: the transfer codings first (chunked, and any
// listed with it), then the content codings (gzip, deflate, br), last applied first undone. Bodies
// whose headers say a crawler decoded them already (Common Crawl renames the headers to
// X-Crawler-Transfer-Encoding and X-Crawler-Content-Encoding) are taken as they are, as are
// bodies that claim chunked and are not. Keeps its buffers from one body to the next.
class PayloadDecoder
{
public:
    explicit PayloadDecoder(std::size_t cap = kBodyCap) : m_cap(cap) {}

    // The payload of response, a view into response.body or into this decoder, valid until the
    // next call. Throws ContentError when a body is not in a coding its headers name.
    Payload decode(const HttpResponse &response);

private:
    std::size_t m_cap;
    std::string m_buffers[2];
};

} // namespace archive
