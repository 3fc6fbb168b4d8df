#include "htmlpage.h"

#include "references.h"
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

// References shorten text, but seldom to less than a sixth ("&#x41;" is "A"): the first this
// many bytes of a run of text hold more than a title or an anchor text keeps of it.
constexpr std::size_t kMaxRunBytes = 16 * kMaxTextBytes;

// A link as it stands on the page, its href and anchor text kept in PageReader::m_strings: a
// page has hundreds, and the base they resolve against may come after them.
struct RawLink
{
    std::size_t href;
    std::size_t hrefSize;
    std::size_t text;
    std::size_t textSize;
    Rel rel;
    LinkType type;
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
        , img(xmlDictLookup(dictionary, BAD_CAST "img", -1))
        , meta(xmlDictLookup(dictionary, BAD_CAST "meta", -1))
        , title(xmlDictLookup(dictionary, BAD_CAST "title", -1))
        , alt(xmlDictLookup(dictionary, BAD_CAST "alt", -1))
        , content(xmlDictLookup(dictionary, BAD_CAST "content", -1))
        , href(xmlDictLookup(dictionary, BAD_CAST "href", -1))
        , name(xmlDictLookup(dictionary, BAD_CAST "name", -1))
        , rel(xmlDictLookup(dictionary, BAD_CAST "rel", -1))
    {
    }
    const xmlChar *a, *area, *base, *br, *img, *meta, *title;
    const xmlChar *alt, *content, *href, *name, *rel;
};

class PageReader
{
public:
    static void documentStarted(void *context);
    static void elementStarted(void *context, const xmlChar *name, const xmlChar **attributes);
    static void elementEnded(void *context, const xmlChar *name);
    static void textRead(void *context, const xmlChar *text, int size);
    static void commentRead(void *context, const xmlChar *text);

    // Ends what the page leaves open.
    void finish()
    {
        endRun();
        endAnchor();
    }

    std::string_view base() const { return m_base; }
    std::string_view title() const { return m_title.text(); }
    bool noindex() const { return m_noindex; }
    const std::vector<RawLink> &links() const { return m_links; }
    std::string_view stored(std::size_t at, std::size_t size) const { return std::string_view(m_strings).substr(at, size); }

private:
    void started(htmlParserCtxtPtr context, const xmlChar *name, const xmlChar **attributes);
    void ended(const xmlChar *name);
    void addLink(std::string_view href, std::string_view text, Rel rel, LinkType type);
    std::size_t store(std::string_view text);
    void endAnchor();
    void separateWordsAt(const xmlChar *name);
    void endRun();

    std::optional<Names> m_names;
    int m_depth = 0;
    std::string m_strings;
    std::vector<RawLink> m_links;
    std::string m_base;
    bool m_baseSeen = false;
    // The run of text being read, as the page writes it, blanks squeezed: its references are read
    // once it ends, at a tag or a comment, as a browser reads them ("&AM<b>P;" is none).
    std::string m_run;
    CollapsedText m_title;
    bool m_titleSeen = false;
    bool m_inTitle = false;
    CollapsedText m_anchor;
    bool m_inAnchor = false;
    // The alt of the anchor's first image: its anchor text when the anchor has none of its own.
    std::optional<CollapsedText> m_imageAlt;
    bool m_noindex = false;
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

std::optional<std::string> decodedAttribute(const xmlChar **attributes, const xmlChar *name)
{
    if (const std::optional<std::string_view> value = attribute(attributes, name))
        return decodeCharacterReferences(*value, ReferencePlace::Attribute);
    return std::nullopt;
}

Rel relAttribute(const xmlChar **attributes, const xmlChar *rel)
{
    return relOf(decodedAttribute(attributes, rel).value_or(""));
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
    if (!reader.m_inAnchor && !reader.m_inTitle)
        return;
    std::string &run = reader.m_run;
    for (const char c : std::string_view(reinterpret_cast<const char *>(text), std::size_t(size))) {
        if (run.size() >= kMaxRunBytes)
            break;
        if (!isHtmlSpace(c))
            run += c;
        else if (run.empty() || run.back() != ' ')
            run += ' ';
    }
}

void PageReader::commentRead(void *context, const xmlChar *)
{
    receiverOf<PageReader>(context).endRun();
}

void PageReader::endRun()
{
    if (m_run.empty())
        return;
    const std::string text = decodeCharacterReferences(m_run, ReferencePlace::Text);
    if (m_inAnchor)
        m_anchor.append(text);
    if (m_inTitle)
        m_title.append(text);
    m_run.clear();
}

void PageReader::started(htmlParserCtxtPtr context, const xmlChar *name, const xmlChar **attributes)
{
    endRun();
    if (++m_depth > kMaxElementDepth) {
        xmlStopParser(context);
        return;
    }
    const Names &names = *m_names;
    separateWordsAt(name);
    if (name == names.a) {
        // An <a> inside another ends the first, as in a browser.
        endAnchor();
        if (const std::optional<std::string> href = decodedAttribute(attributes, names.href)) {
            addLink(*href, {}, relAttribute(attributes, names.rel), LinkType::Text);
            m_inAnchor = true;
        }
    } else if (name == names.img) {
        if (m_inAnchor && !m_imageAlt)
            m_imageAlt.emplace().append(decodedAttribute(attributes, names.alt).value_or(""));
    } else if (name == names.area) {
        if (const std::optional<std::string> href = decodedAttribute(attributes, names.href)) {
            CollapsedText alt;
            alt.append(decodedAttribute(attributes, names.alt).value_or(""));
            addLink(*href, alt.text(), relAttribute(attributes, names.rel), LinkType::Text);
        }
    } else if (name == names.meta) {
        m_noindex |= robotsMetaSaysNoindex(decodedAttribute(attributes, names.name).value_or(""),
                                           decodedAttribute(attributes, names.content).value_or(""));
    } else if (name == names.base && !m_baseSeen) {
        if (std::optional<std::string> href = decodedAttribute(attributes, names.href)) {
            m_base = std::move(*href);
            m_baseSeen = true;
        }
    } else if (name == names.title && !m_titleSeen) {
        m_titleSeen = m_inTitle = true;
    }
}

void PageReader::ended(const xmlChar *name)
{
    endRun();
    --m_depth;
    separateWordsAt(name);
    if (name == m_names->a)
        endAnchor();
    else if (name == m_names->title)
        m_inTitle = false;
}

void PageReader::addLink(std::string_view href, std::string_view text, Rel rel, LinkType type)
{
    const std::size_t hrefAt = store(href);
    m_links.push_back({hrefAt, href.size(), store(text), text.size(), rel, type});
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
    const bool image = m_anchor.text().empty() && m_imageAlt;
    const std::string &text = image ? m_imageAlt->text() : m_anchor.text();
    link.text = store(text);
    link.textSize = text.size();
    if (image)
        link.type = LinkType::Image;
    m_anchor.clear();
    m_imageAlt.reset();
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

// html as libxml2 is to read it. Every "&" is written "&amp;", so that the parser, whose names
// are HTML 4's and which reads no reference as HTML does, hands over text and attribute values
// with their references as the page wrote them, for decodeCharacterReferences. Every NUL byte
// reads as U+FFFD, as browsers read it: libxml2 would end the page at a run of NULs, or at one
// inside a quoted attribute, and lose every link after it.
std::string forParser(std::string_view html)
{
    // The next "&" and NUL are each looked for with memchr: find_first_of would call it for every
    // byte of the page, and a plain loop over the bytes takes a sixteenth as long as the parse.
    const auto next = [html](char c, std::size_t from) { return std::min(html.find(c, from), html.size()); };
    std::string rewritten;
    rewritten.reserve(html.size() + html.size() / 16);
    std::size_t ampersand = next('&', 0);
    std::size_t nul = next('\0', 0);
    for (std::size_t from = 0;;) {
        const std::size_t at = std::min(ampersand, nul);
        rewritten.append(html, from, at - from);
        if (at == html.size())
            return rewritten;
        if (at == ampersand) {
            rewritten += "&amp;";
            ampersand = next('&', at + 1);
        } else {
            rewritten += "\xEF\xBF\xBD";
            nul = next('\0', at + 1);
        }
        from = at + 1;
    }
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
    handler.comment = PageReader::commentRead;
    parseHtml(forParser(utf8Html), handler, &reader);
    reader.finish();

    Page page;
    page.title = reader.title();
    if (reader.noindex())
        page.state = PageState::Noindex;
    std::optional<LinkResolver> resolver = startPage(page, pageUrl);
    if (!resolver)
        return page;
    // An empty base (none on the page) changes nothing.
    resolver->setBase(reader.base());
    for (const RawLink &raw : reader.links()) {
        std::optional<Link> link = resolver->resolve(reader.stored(raw.href, raw.hrefSize),
                                                     reader.stored(raw.text, raw.textSize), raw.rel, raw.type);
        if (link)
            page.links.push_back(std::move(*link));
    }
    return page;
}

Page redirectPage(std::string_view pageUrl, std::string_view location)
{
    Page page;
    page.state = PageState::Redirect;
    const std::optional<LinkResolver> resolver = startPage(page, pageUrl);
    if (!resolver)
        return page;
    if (std::optional<Link> link = resolver->resolve(location, kRedirectAnchor, Rel{}, LinkType::Redirect))
        page.links.push_back(std::move(*link));
    return page;
}

Page gonePage(std::string_view pageUrl)
{
    Page page;
    page.state = PageState::Gone;
    startPage(page, pageUrl);
    return page;
}

} // namespace links
