#include "saxparse.h"

#include <libxml/parserInternals.h>

#include <algorithm>
#include <climits>

namespace links {

void parseHtml(std::string_view html, const htmlSAXHandler &handler, void *receiver)
{
    // libxml2 sets up its global tables on first use; pages may be parsed in several threads.
    [[maybe_unused]] static const bool initialised = (xmlInitParser(), true);

    const int size = int(std::min<std::size_t>(html.size(), INT_MAX));
    htmlParserCtxtPtr context = htmlCreateMemoryParserCtxt(html.data(), size);
    if (context == nullptr)
        return;
    *context->sax = handler;
    context->_private = receiver;
    // Without this libxml2 reads the page as ISO-8859-1 from its first non-ASCII byte on.
    xmlSwitchEncoding(context, XML_CHAR_ENCODING_UTF8);
    htmlCtxtUseOptions(context, HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC);
    htmlParseDocument(context);
    htmlFreeParserCtxt(context);
}

} // namespace links
