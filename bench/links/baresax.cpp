#include "baresax.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>

void parseWithoutHandlers(const std::string &html)
{
    htmlParserCtxtPtr context = htmlCreateMemoryParserCtxt(html.data(), int(html.size()));
    *context->sax = htmlSAXHandler{};
    xmlSwitchEncoding(context, XML_CHAR_ENCODING_UTF8);
    htmlCtxtUseOptions(context, HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC);
    htmlParseDocument(context);
    htmlFreeParserCtxt(context);
}
