#include "urlrules.h"

#include "text.h"

namespace links {

namespace {

// How an href relates to its base, told from its first characters, before any URL is built.
enum class Reference {
    NotHttp,     // another scheme, or nothing at all
    Http,        // an absolute http or https URL
    HostRelative, // "//host/path": the base's scheme, a host of its own
    PathRelative, // "/path", "path", "?query", "#fragment": the base's host
};

bool isStrippedAtEnds(char c)
{
    return static_cast<unsigned char>(c) <= 0x20;
}

bool isRemovedInside(char c)
{
    return c == '\t' || c == '\n' || c == '\r';
}

bool isAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string_view trimmedHref(std::string_view href)
{
    return trimmed(href, isStrippedAtEnds);
}

// A scheme is a letter, then letters, digits, "+", "-" or ".", then ":"; tabs and line breaks
// anywhere in it are dropped by a browser, so "ht\ttp:" is http too.
Reference referenceOf(std::string_view href)
{
    std::string scheme; // only as much as "https" needs
    std::size_t length = 0;
    for (char c : href) {
        if (isRemovedInside(c))
            continue;
        if (c == ':' && length > 0) {
            const bool http = length == scheme.size()
                              && (equalsIgnoringAsciiCase(scheme, "http") || equalsIgnoringAsciiCase(scheme, "https"));
            return http ? Reference::Http : Reference::NotHttp;
        }
        const bool schemeCharacter = isAsciiAlpha(c)
                                     || (length > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!schemeCharacter)
            break;
        if (++length <= 5)
            scheme += c;
    }
    int slashes = 0;
    for (char c : href) {
        if (isRemovedInside(c))
            continue;
        if ((c != '/' && c != '\\') || ++slashes == 2)
            break;
    }
    if (slashes == 2)
        return Reference::HostRelative;
    return href.empty() ? Reference::NotHttp : Reference::PathRelative;
}

// The rest of a browser's clean-up, which QUrl does not do: tabs and line breaks go, "\" is
// "/" up to the query, and a "%" that starts no escape is a literal one (QUrl's tolerant mode
// would otherwise re-escape every "%" of the URL).
QString preparedForQUrl(std::string_view href)
{
    if (href.find_first_of("\t\n\r\\%") == std::string_view::npos)
        return QString::fromUtf8(href.data(), qsizetype(href.size()));
    std::string prepared;
    prepared.reserve(href.size());
    bool beforeQuery = true;
    for (std::size_t i = 0; i < href.size(); ++i) {
        const char c = href[i];
        if (isRemovedInside(c))
            continue;
        if (c == '?' || c == '#')
            beforeQuery = false;
        if (c == '\\' && beforeQuery)
            prepared += '/';
        else if (c == '%' && !(i + 2 < href.size() && isHexDigit(href[i + 1]) && isHexDigit(href[i + 2])))
            prepared += "%25";
        else
            prepared += c;
    }
    return QString::fromUtf8(prepared.data(), qsizetype(prepared.size()));
}

// href resolved against base in the index's form, or nullopt when that is no http(s) URL with
// a host.
std::optional<QUrl> absoluteUrl(const QUrl &base, std::string_view href)
{
    QUrl url = base.resolved(QUrl(preparedForQUrl(href)));
    const QString scheme = url.scheme();
    const bool http = scheme == QLatin1String("http");
    if (!url.isValid() || (!http && scheme != QLatin1String("https")) || url.host().isEmpty())
        return std::nullopt;
    if (url.hasFragment())
        url.setFragment(QString());
    if (url.port() == (http ? 80 : 443))
        url.setPort(-1);
    if (url.path().isEmpty())
        url.setPath(QStringLiteral("/"));
    return url;
}

std::string hostOf(const QUrl &url)
{
    return url.host(QUrl::FullyEncoded).toStdString();
}

} // namespace

std::optional<std::string> normalizedUrl(std::string_view url)
{
    const std::string_view href = trimmedHref(url);
    if (referenceOf(href) != Reference::Http)
        return std::nullopt;
    // Resolving a URL that has a scheme against any base only removes its "." and ".." segments,
    // as a browser does.
    static const QUrl anyBase(QStringLiteral("http:"));
    const std::optional<QUrl> absolute = absoluteUrl(anyBase, href);
    if (!absolute)
        return std::nullopt;
    return absolute->toEncoded().toStdString();
}

LinkResolver::LinkResolver(std::string_view pageUrl)
    : m_base(QUrl::fromEncoded(QByteArray(pageUrl.data(), qsizetype(pageUrl.size()))))
    , m_pageHost(hostOf(m_base))
{
}

void LinkResolver::setBase(std::string_view href)
{
    const std::string_view cleaned = trimmedHref(href);
    if (referenceOf(cleaned) == Reference::NotHttp)
        return;
    if (const std::optional<QUrl> base = absoluteUrl(m_base, cleaned)) {
        m_base = *base;
        m_baseOnPageHost = hostOf(m_base) == m_pageHost;
    }
}

std::optional<Link> LinkResolver::resolve(std::string_view href, std::string_view anchorText, Rel rel, LinkType type) const
{
    const std::string_view cleaned = trimmedHref(href);
    switch (referenceOf(cleaned)) {
    case Reference::NotHttp:
        return std::nullopt;
    case Reference::PathRelative:
        // Most links of a page: its own navigation, answered without building a URL.
        if (m_baseOnPageHost)
            return std::nullopt;
        break;
    case Reference::Http:
        if (writesPageHost(cleaned))
            return std::nullopt;
        break;
    case Reference::HostRelative:
        break;
    }
    const std::optional<QUrl> url = absoluteUrl(m_base, cleaned);
    if (!url)
        return std::nullopt;
    std::string host = hostOf(*url);
    if (host == m_pageHost)
        return std::nullopt;
    return Link{url->toEncoded().toStdString(), std::move(host), collapsedWhitespace(anchorText), rel, type};
}

bool LinkResolver::writesPageHost(std::string_view href) const
{
    for (std::string_view scheme : {"http://", "https://"}) {
        if (!href.starts_with(scheme) || !href.substr(scheme.size()).starts_with(m_pageHost))
            continue;
        // Only these end the host for sure: a ":" may start a port, or a password before "@".
        const std::string_view rest = href.substr(scheme.size() + m_pageHost.size());
        if (rest.empty() || rest.front() == '/' || rest.front() == '?' || rest.front() == '#')
            return true;
    }
    return false;
}

} // namespace links
