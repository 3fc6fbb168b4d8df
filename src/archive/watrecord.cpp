#include "watrecord.h"

#include "errors.h"
#include "headerfields.h"

#include <simdjson.h>

#include <charconv>

namespace archive {

namespace ondemand = simdjson::ondemand;

namespace {

// Nesting deeper than this is no WAT record anyone writes; it is refused, not followed.
constexpr int kDeepest = 1024;

void succeed(simdjson::error_code error)
{
    if (error != simdjson::SUCCESS)
        throw simdjson::simdjson_error(error);
}

// On Demand checks only the values it is asked for. The others are gone through all the same,
// so that JSON malformed, or nested too deep, anywhere is refused rather than half read.
void check(ondemand::value value, int depth)
{
    if (depth > kDeepest)
        throw ContentError("malformed WAT JSON: nested deeper than " + std::to_string(kDeepest) + " levels");
    switch (value.type()) {
    case ondemand::json_type::object:
        for (ondemand::field field : value.get_object()) {
            [[maybe_unused]] const std::string_view key = field.unescaped_key();
            check(field.value(), depth + 1);
        }
        break;
    case ondemand::json_type::array:
        for (ondemand::value element : value.get_array())
            check(element, depth + 1);
        break;
    case ondemand::json_type::string:
        succeed(value.get_string().error());
        break;
    case ondemand::json_type::number:
        succeed(value.get_number().error());
        break;
    case ondemand::json_type::boolean:
        succeed(value.get_bool().error());
        break;
    case ondemand::json_type::null:
        succeed(value.is_null() ? simdjson::SUCCESS : simdjson::INCORRECT_TYPE);
        break;
    }
}

// The string a value holds. A field given more than once (a repeated HTTP header) is an array
// of its values: the first string of it. Anything else: empty.
std::string_view stringOf(ondemand::value value, int depth)
{
    if (value.type() == ondemand::json_type::string)
        return value.get_string();
    if (value.type() != ondemand::json_type::array) {
        check(value, depth);
        return {};
    }
    std::string_view first;
    bool found = false;
    for (ondemand::value element : value.get_array()) {
        if (!found && element.type() == ondemand::json_type::string) {
            first = element.get_string();
            found = true;
        } else {
            check(element, depth + 1);
        }
    }
    return first;
}

// The status is written as a string ("200"); a number is read too.
std::optional<int> statusOf(ondemand::value value, int depth)
{
    int status = -1;
    if (value.type() == ondemand::json_type::number) {
        std::int64_t number = -1;
        if (value.get_int64().get(number) == simdjson::SUCCESS && number >= 0 && number <= 999)
            status = int(number);
    } else {
        const std::string_view text = stringOf(value, depth);
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), status);
        if (error != std::errc() || end != text.data() + text.size() || status > 999)
            status = -1;
    }
    return status >= 0 ? std::optional(status) : std::nullopt;
}

// Goes through the fields of an object at depth (the document's own object at 0): read takes a
// field's key and value and says whether it read the value; the values it leaves are checked.
template <typename Read>
void readFields(ondemand::object object, int depth, Read read)
{
    for (ondemand::field field : object) {
        if (!read(std::string_view(field.unescaped_key()), field.value()))
            check(field.value(), depth + 1);
    }
}

// The same for an object of strings: target names where the string of a key goes, or nullptr.
template <typename Target>
void readStrings(ondemand::object object, int depth, Target target)
{
    readFields(object, depth, [&](std::string_view key, ondemand::value value) {
        std::string_view *into = target(key);
        if (into)
            *into = stringOf(value, depth + 1);
        return into != nullptr;
    });
}

// An array of objects of strings into entries, an entry an object: target names where the string
// of a key goes in an entry, or nullptr. Elements that are no object are checked and passed over.
template <typename Entry, typename Target>
void readEntries(ondemand::array array, int depth, std::vector<Entry> &entries, Target target)
{
    for (ondemand::value element : array) {
        if (element.type() != ondemand::json_type::object) {
            check(element, depth + 1);
            continue;
        }
        Entry &entry = entries.emplace_back();
        readStrings(element.get_object(), depth + 1, [&](std::string_view key) { return target(entry, key); });
    }
}

void readLinks(ondemand::array links, int depth, WatRecord &record)
{
    readEntries(links, depth, record.links, [](WatLink &link, std::string_view key) {
        return key == "path" ? &link.path : key == "url" ? &link.url : key == "text" ? &link.text : key == "rel" ? &link.rel : nullptr;
    });
}

void readHead(ondemand::object head, int depth, WatRecord &record)
{
    readFields(head, depth, [&](std::string_view key, ondemand::value value) {
        if (key == "Title")
            record.title = stringOf(value, depth + 1);
        else if (key == "Base")
            record.base = stringOf(value, depth + 1);
        else if (key == "Metas")
            readEntries(value.get_array(), depth + 1, record.metas, [](WatMeta &meta, std::string_view name) {
                return name == "name" ? &meta.name : name == "content" ? &meta.content : nullptr;
            });
        return key == "Title" || key == "Base" || key == "Metas";
    });
}

void readResponse(ondemand::object response, int depth, WatRecord &record)
{
    readFields(response, depth, [&](std::string_view key, ondemand::value value) {
        if (key == "Response-Message") {
            readFields(value.get_object(), depth + 1, [&](std::string_view name, ondemand::value status) {
                if (name == "Status")
                    record.status = statusOf(status, depth + 2);
                return name == "Status";
            });
        } else if (key == "Headers") {
            readStrings(value.get_object(), depth + 1, [&](std::string_view name) {
                return equalsIgnoringCase(name, "Content-Type") ? &record.contentType
                       : equalsIgnoringCase(name, "Location")   ? &record.location
                                                                : nullptr;
            });
        } else if (key == "HTML-Metadata") {
            readFields(value.get_object(), depth + 1, [&](std::string_view part, ondemand::value html) {
                if (part == "Head") {
                    readHead(html.get_object(), depth + 2, record);
                } else if (part == "Links") {
                    readLinks(html.get_array(), depth + 2, record);
                }
                return part == "Head" || part == "Links";
            });
        }
        return key == "Response-Message" || key == "Headers" || key == "HTML-Metadata";
    });
}

void readEnvelope(ondemand::object envelope, int depth, WatRecord &record)
{
    readFields(envelope, depth, [&](std::string_view key, ondemand::value value) {
        if (key == "WARC-Header-Metadata") {
            readStrings(value.get_object(), depth + 1, [&](std::string_view name) {
                return equalsIgnoringCase(name, "WARC-Type")         ? &record.warcType
                       : equalsIgnoringCase(name, "WARC-Target-URI") ? &record.targetUri
                       : equalsIgnoringCase(name, "WARC-Date")       ? &record.date
                                                                     : nullptr;
            });
        } else if (key == "Payload-Metadata") {
            readFields(value.get_object(), depth + 1, [&](std::string_view part, ondemand::value http) {
                if (part == "HTTP-Response-Metadata")
                    readResponse(http.get_object(), depth + 2, record);
                return part == "HTTP-Response-Metadata";
            });
        }
        return key == "WARC-Header-Metadata" || key == "Payload-Metadata";
    });
}

} // namespace

struct WatReader::Parser
{
    ondemand::parser parser;
};

WatReader::WatReader() : m_parser(std::make_unique<Parser>()) {}

WatReader::~WatReader() = default;

const WatRecord &WatReader::read(std::string &json)
{
    // The vectors keep their buffers from record to record.
    std::vector<WatMeta> metas = std::move(m_record.metas);
    std::vector<WatLink> links = std::move(m_record.links);
    metas.clear();
    links.clear();
    m_record = WatRecord{};
    m_record.metas = std::move(metas);
    m_record.links = std::move(links);

    if (json.capacity() - json.size() < simdjson::SIMDJSON_PADDING)
        json.reserve(json.size() + simdjson::SIMDJSON_PADDING);
    try {
        ondemand::document document = m_parser->parser.iterate(json.data(), json.size(), json.capacity());
        readFields(document.get_object(), 0, [&](std::string_view key, ondemand::value value) {
            if (key == "Envelope")
                readEnvelope(value.get_object(), 1, m_record);
            return key == "Envelope";
        });
        // Past the end of the document there is nothing to point at; anything else is more.
        if (document.current_location().error() != simdjson::OUT_OF_BOUNDS)
            throw ContentError("malformed WAT JSON: more after the object");
    } catch (const simdjson::simdjson_error &error) {
        throw ContentError(std::string("malformed WAT JSON: ") + error.what());
    }
    return m_record;
}

} // namespace archive
