#include "testregexp.h"

#include "platform/runtimeerror.h"

#include <QHash>

#include <re2/re2.h>

#include <memory>

#include <string>

namespace {

// RE2 folds case by Unicode's rules, under which \w also matches U+212A KELVIN SIGN and U+017F
// LATIN SMALL LETTER LONG S. Word characters are ASCII here, so every \w and \W, alone or in a
// bracket expression, is handed to the engine outside the case folding. A bracket expression that
// holds \w already holds every ASCII letter in both cases.
std::string withAsciiWordClasses(const std::string &pattern)
{
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '\\' && i + 1 < pattern.size()) {
            const char escaped = pattern[++i];
            out += (escaped == 'w' || escaped == 'W') ? std::string("(?-i:\\") + escaped + ")"
                                                      : std::string{'\\', escaped};
        } else if (c == '[') {
            // A ']' right after '[' or '[^' is a member, not the end.
            size_t end = i + 1;
            if (end < pattern.size() && pattern[end] == '^')
                ++end;
            if (end < pattern.size() && pattern[end] == ']')
                ++end;
            bool wordClass = false;
            while (end < pattern.size() && pattern[end] != ']') {
                if (pattern[end] == '\\' && end + 1 < pattern.size()) {
                    wordClass |= pattern[end + 1] == 'w' || pattern[end + 1] == 'W';
                    ++end;
                } else if (pattern.compare(end, 2, "[:") == 0) { // a named class such as [:alpha:]
                    const size_t close = pattern.find(":]", end + 2);
                    end = close == std::string::npos ? end : close + 1;
                }
                ++end;
            }
            if (!wordClass || end >= pattern.size()) {
                out += c; // left for the engine to take or reject as written
                continue;
            }
            out += "(?-i:" + pattern.substr(i, end - i + 1) + ")";
            i = end;
        } else {
            out += c;
        }
    }
    return out;
}

size_t utf8Length(unsigned char lead)
{
    return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

// The compiled pattern for myPattern. A query matches the same three patterns twice for every
// anchor line, so compiled patterns are kept; the few a program uses fit in a small cache.
std::shared_ptr<const RE2> compiled(QStringView myPattern)
{
    thread_local QHash<QString, std::shared_ptr<const RE2>> cache;
    if (const auto found = cache.constFind(myPattern.toString()); found != cache.cend())
        return *found;
    RE2::Options options(RE2::DefaultOptions);
    options.set_case_sensitive(false);
    options.set_log_errors(false);
    options.set_max_mem(64 << 20);
    auto pattern = std::make_shared<const RE2>(withAsciiWordClasses(myPattern.toUtf8().toStdString()), options);
    if (!pattern->ok())
        throw RuntimeError::regexSyntax();
    if (cache.size() >= 16)
        cache.clear();
    cache.insert(myPattern.toString(), pattern);
    return pattern;
}

} // namespace

QString TestRegExp(QStringView myPattern, QStringView myString)
{
    const std::shared_ptr<const RE2> compiledPattern = compiled(myPattern);
    const RE2 &pattern = *compiledPattern;

    const QByteArray subject = myString.toUtf8();
    const re2::StringPiece text(subject.constData(), size_t(subject.size()));
    QString result;
    bool matched = false;
    re2::StringPiece match;
    size_t from = 0;
    while (from <= text.size() && pattern.Match(text, from, text.size(), RE2::UNANCHORED, &match, 1)) {
        matched = true;
        result += QString::fromUtf8(match.data(), qsizetype(match.size()));
        result += u"\r\n";
        from = size_t(match.data() - text.data()) + match.size();
        if (match.empty()) // the next search starts one character further on
            from += from < text.size() ? utf8Length(static_cast<unsigned char>(text[from])) : 1;
    }
    return matched ? result : kNoMatch.toString();
}
