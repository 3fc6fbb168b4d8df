#pragma once

#include <string>

// libxml2's HTML parser reading html with no handler at all, UTF-8 as the link extractor has it
// read: the floor of any extraction built on it.
void parseWithoutHandlers(const std::string &html);
