#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace archive {

// One entry of HTML-Metadata.Links: path names the element and attribute it came from ("A@/href",
// "AREA@/href", "IMG@/src", …); text is the anchor text, rel the rel attribute, when present.
struct WatLink
{
    std::string_view path;
    std::string_view url;
    std::string_view text;
    std::string_view rel;
};

// One entry of HTML-Metadata.Head.Metas: a <meta> with a name ("description", "robots", …) and
// its content, when present.
struct WatMeta
{
    std::string_view name;
    std::string_view content;
};

// What a WAT metadata record (Common Crawl's JSON about one record of a WARC) says of that record.
// Empty where the JSON holds nothing: a request, or a response that is no HTML page.
struct WatRecord
{
    // Envelope.WARC-Header-Metadata: of the WARC record described.
    std::string_view warcType;
    std::string_view targetUri;
    std::string_view date;
    // Envelope.Payload-Metadata.HTTP-Response-Metadata.
    std::optional<int> status;    // Response-Message.Status
    std::string_view contentType; // Headers, name matched whatever its case
    std::string_view location;
    // …HTML-Metadata.Head and .Links, every entry kept.
    std::string_view title;
    std::string_view base;
    std::vector<WatMeta> metas;
    std::vector<WatLink> links;
};

// Reads the JSON block of WAT metadata records with simdjson, one after the other, reusing its
// buffers. Time is linear in the JSON whatever its shape; nesting past 1024 levels is an error.
class WatReader
{
public:
    WatReader();
    ~WatReader();
    WatReader(const WatReader &) = delete;
    WatReader &operator=(const WatReader &) = delete;

    // The record that json describes; its views point into this reader and stay valid until the
    // next read. json's capacity may grow by the padding the parser reads past its end. Throws
    // ContentError when json is malformed anywhere, or is no JSON object.
    const WatRecord &read(std::string &json);

private:
    struct Parser;
    std::unique_ptr<Parser> m_parser;
    WatRecord m_record;
};

} // namespace archive
