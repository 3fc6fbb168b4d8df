#pragma once

#include <QJsonDocument>

#include <string>
#include <string_view>

namespace report {

// Text as HTML shows it, for an element's content or a double-quoted attribute value. Bytes that
// are not UTF-8 become U+FFFD.
std::string htmlEscaped(std::string_view text);

// json for the content of a <script type="application/json"> element: no text in it can close
// the element or open a comment there, and JSON.parse gives back the same value.
std::string scriptJson(const QJsonDocument &json);

// JavaScript source for the content of a <script> element, running the same.
std::string scriptSource(std::string_view source);

} // namespace report
