#include "recordpages.h"

#include "archive/errors.h"
#include "archive/httpresponse.h"
#include "archive/payload.h"
#include "archive/warcdate.h"
#include "archive/watrecord.h"
#include "links/charset.h"
#include "links/htmlpage.h"
#include "links/references.h"
#include "links/text.h"
#include "links/urlrules.h"

namespace indexer {

namespace {

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A page that is gone, and its links with it; other errors (5xx, 403, 429…) may pass, and say
// nothing of the page.
bool isGone(int status)
{
    return status == 404 || status == 410;
}

constexpr const char *kOtherStatus = "responses with a status other than 200, 404, 410 or a redirect";

RecordPage skipped(const char *why)
{
    return {std::nullopt, why};
}

RecordPage captured(links::Page page, std::optional<int64_t> date)
{
    if (page.url.empty())
        return skipped("pages without an http(s) URL");
    return {linkindex::Capture{std::move(page), date}, nullptr};
}

RecordPage pageOfResponse(ArchiveRecord &record)
{
    const std::optional<archive::HttpResponse> response = archive::parseHttpResponse(record.block);
    if (!response)
        return skipped("responses that are not HTTP");
    if (isRedirect(response->status)) {
        const std::optional<std::string_view> location = response->headers.get("Location");
        if (!location)
            return skipped("redirects without a Location");
        return captured(links::redirectPage(record.targetUri, *location), record.date);
    }
    if (isGone(response->status))
        return captured(links::gonePage(record.targetUri), record.date);
    if (response->status != 200)
        return skipped(kOtherStatus);

    thread_local archive::PayloadDecoder decoder;
    archive::Payload payload;
    try {
        payload = decoder.decode(*response);
    } catch (const archive::ContentError &) {
        return skipped("bodies not in the coding their headers name");
    }
    const std::optional<std::string_view> contentType = response->headers.get("Content-Type");
    if (contentType ? !links::isHtmlContentType(*contentType) : !links::looksLikeHtml(payload.bytes))
        return skipped("responses that are not HTML");
    const std::string html = links::htmlToUtf8(payload.bytes, contentType.value_or(std::string_view()));
    return captured(links::extractPage(html, record.targetUri), record.date);
}

// The text of a title or an anchor as a WAT gives it, with its character references as the page
// wrote them, as a reader sees it.
std::string readerText(std::string_view text)
{
    return links::decodeCharacterReferences(text, links::ReferencePlace::Text);
}

// Common Crawl's WAT files hold, for every record of a crawl's WARC files, what its HTML says:
// the links are read from the JSON under the same rules as from a page.
RecordPage pageOfWat(ArchiveRecord &record)
{
    thread_local archive::WatReader reader;
    const archive::WatRecord *wat;
    try {
        wat = &reader.read(record.block);
    } catch (const archive::ContentError &) {
        return skipped("WAT records that are not valid JSON");
    }
    if (wat->warcType != "response")
        return skipped("WAT records of other than responses");
    const std::optional<int64_t> date = archive::parseWarcDate(wat->date);
    if (wat->status && isRedirect(*wat->status)) {
        if (wat->location.empty())
            return skipped("redirects without a Location");
        return captured(links::redirectPage(wat->targetUri, wat->location), date);
    }
    if (wat->status && isGone(*wat->status))
        return captured(links::gonePage(wat->targetUri), date);
    if (wat->status != 200)
        return skipped(kOtherStatus);
    const bool html = wat->contentType.empty() ? !wat->title.empty() || !wat->links.empty()
                                               : links::isHtmlContentType(wat->contentType);
    if (!html)
        return skipped("responses that are not HTML");

    const std::optional<std::string> url = links::normalizedUrl(wat->targetUri);
    if (!url)
        return skipped("pages without an http(s) URL");
    links::LinkResolver resolver(*url);
    if (!wat->base.empty())
        resolver.setBase(wat->base);
    links::Page page{*url, resolver.pageHost(), links::collapsedWhitespace(readerText(wat->title)), {}};
    for (const archive::WatMeta &meta : wat->metas) {
        if (links::robotsMetaSaysNoindex(meta.name, meta.content))
            page.state = links::PageState::Noindex;
    }
    for (const archive::WatLink &link : wat->links) {
        if (link.path != "A@/href" && link.path != "AREA@/href")
            continue;
        if (std::optional<links::Link> resolved =
                resolver.resolve(link.url, readerText(link.text), links::relOf(link.rel), links::LinkType::Text))
            page.links.push_back(std::move(*resolved));
    }
    return captured(std::move(page), date);
}

} // namespace

RecordPage pageOfRecord(ArchiveRecord &record)
{
    switch (record.kind) {
    case ArchiveRecord::Kind::Response:
        return pageOfResponse(record);
    case ArchiveRecord::Kind::Wat:
        return pageOfWat(record);
    case ArchiveRecord::Kind::Other:
        break;
    }
    return skipped(record.skipped);
}

} // namespace indexer
