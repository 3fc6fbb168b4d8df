#pragma once

#include <libxml/HTMLparser.h>

#include <string_view>

namespace links {

// Runs libxml2's HTML parser over html, which it reads as UTF-8 whatever a <meta> in it says,
// and hands what it finds to handler's callbacks. Their first argument is the parser context:
// receiverOf turns it into receiver, xmlStopParser ends the parse. No tree is built, nothing
// is printed; malformed HTML is read as far as libxml2 makes sense of it.
void parseHtml(std::string_view html, const htmlSAXHandler &handler, void *receiver);

template <typename Receiver>
Receiver &receiverOf(void *context)
{
    return *static_cast<Receiver *>(static_cast<htmlParserCtxtPtr>(context)->_private);
}

} // namespace links
