#include "htmlpage.h"

#include "saxparse.h"
#include "text.h"
#include "urlrules.h"

#include <libxml/dict.h>

#include <algorithm>

#include <optional>
#include <utility>
#include <vector>

namespace links {

namespace {

// Elements nested deeper than this end the parse where they start, as far as it got: libxml2
// looks through every open element for each end tag it cannot match, so a page of deep
// nesting and stray end tags would otherwise take time quadratic in its size. Browsers stop
// nesting at 512 too.
constexpr int kMaxElementDepth = 512;

// A link as it stands on the page, its href and anchor text kept in PageReader::m_strings: a
// page has hundreds, and the base they resolve against may come after them.
struct RawLink
{
    std::size_t href;
    std::size_t hrefSize;
    std::size_t text;
    std::size_t textSize;
    bool nofollow;
};

// The names the reader looks for, as libxml2's dictionary holds them: the parser hands over
// element and attribute names from that dictionary, so a name is told by its address.
struct Names
{
    explicit Names(xmlDictPtr dictionary)
        : a(xmlDictLookup(dictionary, BAD_CAST "a", -1))
        , area(xmlDictLookup(dictionary, BAD_CAST "area", -1))
        , base(xmlDictLookup(dictionary, BAD_CAST "base", -1))
        , br(xmlDictLookup(dictionary, BAD_CAST "br", -1))
        , title(xmlDictLookup(dictionary, BAD_CAST "title", -1))
        , alt(xmlDictLookup(dictionary, BAD_CAST "alt", -1))
        , href(xmlDictLookup(dictionary, BAD_CAST "href", -1))
        , rel(xmlDictLookup(dictionary, BAD_CAST "rel", -1))
    {
    }
    const xmlChar *a, *area, *base, *br, *title;
    const xmlChar *alt, *href, *rel;
};

class PageReader
{
public:
    static void documentStarted(void *context);
    static void elementStarted(void *context, const xmlChar *name, const xmlChar **attributes);
    static void elementEnded(void *context, const xmlChar *name);
    static void textRead(void *context, const xmlChar *text, int size);

    // Ends what the page leaves open.
    void finish() { endAnchor(); }

    std::string_view base() const { return m_base; }
    std::string_view title() const { return m_title.text(); }
    const std::vector<RawLink> &links() const { return m_links; }
    std::string_view stored(std::size_t at, std::size_t size) const { return std::string_view(m_strings).substr(at, size); }

private:
    void started(htmlParserCtxtPtr context, const xmlChar *name, const xmlChar **attributes);
    void ended(const xmlChar *name);
    void addLink(std::string_view href, std::string_view text, bool nofollow);
    std::size_t store(std::string_view text);
    void endAnchor();
    void separateWordsAt(const xmlChar *name);

    std::optional<Names> m_names;
    int m_depth = 0;
    std::string m_strings;
    std::vector<RawLink> m_links;
    std::string m_base;
    bool m_baseSeen = false;
    CollapsedText m_title;
    bool m_titleSeen = false;
    bool m_inTitle = false;
    CollapsedText m_anchor;
    bool m_inAnchor = false;
    // Whether an element separates the words of an anchor, by name, as far as asked.
    std::vector<std::pair<const xmlChar *, bool>> m_separates;
};

std::string_view textOf(const xmlChar *text)
{
    return text != nullptr ? reinterpret_cast<const char *>(text) : "";
}

// The value of the attribute called name, when the element carries it ("" for one without a
// value).
std::optional<std::string_view> attribute(const xmlChar **attributes, const xmlChar *name)
{
    for (; attributes != nullptr && attributes[0] != nullptr; attributes += 2) {
        if (attributes[0] == name)
            return textOf(attributes[1]);
    }
    return std::nullopt;
}

void PageReader::documentStarted(void *context)
{
    receiverOf<PageReader>(context).m_names.emplace(static_cast<htmlParserCtxtPtr>(context)->dict);
}

void PageReader::elementStarted(void *context, const xmlChar *name, const xmlChar **attributes)
{
    receiverOf<PageReader>(context).started(static_cast<htmlParserCtxtPtr>(context), name, attributes);
}

void PageReader::elementEnded(void *context, const xmlChar *name)
{
    receiverOf<PageReader>(context).ended(name);
}

void PageReader::textRead(void *context, const xmlChar *text, int size)
{
    PageReader &reader = receiverOf<PageReader>(context);
    const std::string_view piece(reinterpret_cast<const char *>(text), std::size_t(size));
    if (reader.m_inAnchor)
        reader.m_anchor.append(piece);
    if (reader.m_inTitle)
        reader.m_title.append(piece);
}

void PageReader::started(htmlParserCtxtPtr context, const xmlChar *name, const xmlChar **attributes)
{
    if (++m_depth > kMaxElementDepth) {
        xmlStopParser(context);
        return;
    }
    const Names &names = *m_names;
    separateWordsAt(name);
    if (name == names.a) {
        // An <a> inside another ends the first, as in a browser.
        endAnchor();
        if (const std::optional<std::string_view> href = attribute(attributes, names.href)) {
            addLink(*href, {}, relHoldsNofollow(attribute(attributes, names.rel).value_or("")));
            m_inAnchor = true;
        }
    } else if (name == names.area) {
        if (const std::optional<std::string_view> href = attribute(attributes, names.href)) {
            CollapsedText alt;
            alt.append(attribute(attributes, names.alt).value_or(""));
            addLink(*href, alt.text(), relHoldsNofollow(attribute(attributes, names.rel).value_or("")));
        }
    } else if (name == names.base && !m_baseSeen) {
        if (const std::optional<std::string_view> href = attribute(attributes, names.href)) {
            m_base = *href;
            m_baseSeen = true;
        }
    } else if (name == names.title && !m_titleSeen) {
        m_titleSeen = m_inTitle = true;
    }
}

void PageReader::ended(const xmlChar *name)
{
    --m_depth;
    separateWordsAt(name);
    if (name == m_names->a)
        endAnchor();
    else if (name == m_names->title)
        m_inTitle = false;
}

void PageReader::addLink(std::string_view href, std::string_view text, bool nofollow)
{
    const std::size_t hrefAt = store(href);
    m_links.push_back({hrefAt, href.size(), store(text), text.size(), nofollow});
}

std::size_t PageReader::store(std::string_view text)
{
    const std::size_t at = m_strings.size();
    m_strings.append(text);
    return at;
}

void PageReader::endAnchor()
{
    if (!m_inAnchor)
        return;
    RawLink &link = m_links.back();
    link.text = store(m_anchor.text());
    link.textSize = m_anchor.text().size();
    m_anchor.clear();
    m_inAnchor = false;
}

// A reader sees a line break, or the edge of a block (<div>, <p>, <li>, an element libxml2
// does not know…), inside an anchor as a gap between words, even where the HTML has no space.
void PageReader::separateWordsAt(const xmlChar *name)
{
    if (!m_inAnchor)
        return;
    auto known = std::find_if(m_separates.begin(), m_separates.end(), [&](const auto &entry) { return entry.first == name; });
    if (known == m_separates.end()) {
        const htmlElemDesc *element = htmlTagLookup(name);
        known = m_separates.insert(known, {name, name == m_names->br || element == nullptr || !element->isinline});
    }
    if (known->second)
        m_anchor.append(" ");
}

// html with every NUL byte read as U+FFFD, as browsers read it: libxml2 would end the page at
// a run of NULs, or at one inside a quoted attribute, and lose every link after it.
std::string withoutNuls(std::string_view html)
{
    std::string cleaned;
    cleaned.reserve(html.size());
    for (char c : html) {
        if (c == '\0')
            cleaned += "\xEF\xBF\xBD";
        else
            cleaned += c;
    }
    return cleaned;
}

// page for pageUrl, its URL and host set, and the resolver of its links; nullopt, and page left
// without them, when pageUrl is no http(s) URL.
std::optional<LinkResolver> startPage(Page &page, std::string_view pageUrl)
{
    std::optional<std::string> url = normalizedUrl(pageUrl);
    if (!url)
        return std::nullopt;
    LinkResolver resolver(*url);
    page.url = std::move(*url);
    page.host = resolver.pageHost();
    return resolver;
}

} // namespace

Page extractPage(std::string_view utf8Html, std::string_view pageUrl)
{
    PageReader reader;
    htmlSAXHandler handler{};
    handler.startDocument = PageReader::documentStarted;
    handler.startElement = PageReader::elementStarted;
    handler.endElement = PageReader::elementEnded;
    handler.characters = PageReader::textRead;
    // libxml2 hands text between elements that it deems blank to this callback instead.
    handler.ignorableWhitespace = PageReader::textRead;
    // Script and style text is no part of any title or anchor text; without this callback
    // libxml2 would hand it over as text.
    handler.cdataBlock = [](void *, const xmlChar *, int) {};
    if (utf8Html.find('\0') == std::string_view::npos)
        parseHtml(utf8Html, handler, &reader);
    else
        parseHtml(withoutNuls(utf8Html), handler, &reader);
    reader.finish();

    Page page;
    page.title = reader.title();
    std::optional<LinkResolver> resolver = startPage(page, pageUrl);
    if (!resolver)
        return page;
    // An empty base (none on the page) changes nothing.
    resolver->setBase(reader.base());
    for (const RawLink &raw : reader.links()) {
        std::optional<Link> link = resolver->resolve(reader.stored(raw.href, raw.hrefSize),
                                                     reader.stored(raw.text, raw.textSize), raw.nofollow);
        if (link)
            page.links.push_back(std::move(*link));
    }
    return page;
}

Page redirectPage(std::string_view pageUrl, std::string_view location)
{
    Page page;
    const std::optional<LinkResolver> resolver = startPage(page, pageUrl);
    if (!resolver)
        return page;
    if (std::optional<Link> link = resolver->resolve(location, "(redirect)", false))
        page.links.push_back(std::move(*link));
    return page;
}

} // namespace links
