#pragma once

#include <QString>
#include <QStringView>

// What the tool relies on in the link-search service's protocol and result pages.
namespace linksearch {

inline constexpr char kHost[] = "search.linkvane.example";

// Results per result page; a query walks start offsets 1, 51, 101, ...
inline constexpr int kPageSize = 50;

// The claimed total follows this marker on a result page, up to the next "<".
inline constexpr QStringView kCountMarker = u"共 <strong>";
// Lines naming a cached snapshot are not links to list.
inline constexpr QStringView kSnapshotWord = u"快照";

// One character, a blank, then an anchor up to its first end tag.
inline constexpr QStringView kAnchorPattern = u". <a.*?href=.*?>.*?</a>";
// http or https, the host, an optional port, then the path and query. A quotation mark or an
// apostrophe (the end of a quoted href), "#" (the fragment) or a tag's "<" or ">" ends the URL.
inline constexpr QStringView kUrlPattern = uR"(https?://([\w-]+\.)+[\w-]+(:\d+)?(/[\w- ./?%&=~!$*+,;:@()]*)?)";
inline constexpr QStringView kTitlePattern = u">.*?</a>";

// The result page for start offset b of the pages that link to domain. The domain goes into the
// URL exactly as typed.
QString queryUrl(const QString &domain, int startOffset);

} // namespace linksearch
