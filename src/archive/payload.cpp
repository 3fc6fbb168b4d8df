#include "payload.h"

#include "chunked.h"
#include "contentcoding.h"
#include "errors.h"

#include <vector>

namespace archive {

namespace {

// Undoing more codings than this is no page anyone serves, only a way to make one body cost
// the cap over and over.
constexpr std::size_t kMostCodings = 4;

// The codings applied to a body, first applied first: those of every Content-Encoding field,
// then those of every Transfer-Encoding field, each a comma-separated list; "identity" is none.
std::vector<std::string_view> codingsOf(const HeaderFields &headers)
{
    std::vector<std::string_view> codings;
    for (const std::string_view name : {"Content-Encoding", "Transfer-Encoding"}) {
        for (const HeaderFields::Field &field : headers.all()) {
            if (!equalsIgnoringCase(field.name, name))
                continue;
            std::string_view list = field.value;
            while (!list.empty()) {
                const std::size_t comma = list.find(',');
                const std::string_view coding = trimmed(list.substr(0, comma));
                list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
                if (!coding.empty() && !equalsIgnoringCase(coding, "identity"))
                    codings.push_back(coding);
            }
        }
    }
    return codings;
}

} // namespace

Payload PayloadDecoder::decode(const HttpResponse &response)
{
    const std::vector<std::string_view> codings = codingsOf(response.headers);
    if (codings.size() > kMostCodings)
        throw ContentError("body has " + std::to_string(codings.size()) + " codings, more than " + std::to_string(kMostCodings));

    Payload payload{response.body};
    int spare = 0; // the buffer payload.bytes is not in
    for (auto coding = codings.rbegin(); coding != codings.rend(); ++coding) {
        std::string &out = m_buffers[spare];
        if (equalsIgnoringCase(*coding, "chunked")) {
            if (!dechunk(payload.bytes, out))
                continue;
        } else {
            payload.cut = undoContentCoding(*coding, payload.bytes, out, m_cap) || payload.cut;
        }
        payload.bytes = out;
        spare = 1 - spare;
    }
    return payload;
}

} // namespace archive
