#include "commands.h"

#include "index/domain.h"
#include "linklist.h"
#include "links/text.h"
#include "readinputs.h"

#include <fstream>
#include <stdexcept>
#include <unordered_set>

namespace indexer {

namespace {

// What add would store, as a nine-column link list on standard output: a line a link, and a line
// with an empty target for a page without links, which still replaces older captures of it.
// With targets, only links to a target domain or a host under it, and only pages with such links.
class ListSink : public CaptureSink
{
public:
    explicit ListSink(std::unordered_set<std::string> targets) : m_targets(std::move(targets))
    {
        write(std::string(kListHeader) + '\n');
    }

    void beginInput() override { m_linksWritten = 0; }

    linkindex::Added add(const linkindex::Capture &capture) override
    {
        const links::Page &page = capture.page;
        ListRow row{.sourceUrl = page.url, .sourceTitle = page.title, .captured = capture.captured, .state = page.state};
        bool written = false;
        for (const links::Link &link : page.links) {
            if (!wanted(link.host))
                continue;
            row.targetUrl = link.url;
            row.anchorText = link.anchorText;
            row.rel = link.rel;
            row.type = link.type;
            write(listLine(row));
            written = true;
            ++m_linksWritten;
        }
        if (!written && m_targets.empty())
            write(listLine(row));
        return linkindex::Added::NewPage;
    }

    int64_t linksAdded() const override { return m_linksWritten; }
    void commitInput(const InputReport &) override { flush(); }
    void abandonInput() override { std::fflush(stdout); }

private:
    bool wanted(std::string_view host) const
    {
        if (m_targets.empty())
            return true;
        for (;;) {
            if (m_targets.count(std::string(host)))
                return true;
            const size_t dot = host.find('.');
            if (dot == std::string_view::npos)
                return false;
            host.remove_prefix(dot + 1);
        }
    }

    static void write(const std::string &text)
    {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
            flush();
    }

    static void flush()
    {
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            throw std::runtime_error("cannot write the link list to standard output");
    }

    std::unordered_set<std::string> m_targets;
    int64_t m_linksWritten = 0;
};

// The domains of a targets file, one a line; blank lines and lines starting with "#" say nothing.
std::optional<std::unordered_set<std::string>> readTargets(const std::string &path)
{
    std::unordered_set<std::string> targets;
    if (path.empty())
        return targets;
    std::ifstream file(path);
    if (!file) {
        std::fprintf(stderr, "linkvane-index: cannot read the targets file %s\n", path.c_str());
        return std::nullopt;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        const std::string domain = std::string(links::collapsedWhitespace(line));
        if (domain.empty() || domain.front() == '#')
            continue;
        const std::optional<std::string> host = linkindex::domainHost(domain);
        if (!host) {
            std::fprintf(stderr, "linkvane-index: %s:%d: \"%s\" is not a domain\n", path.c_str(), number, domain.c_str());
            return std::nullopt;
        }
        targets.insert(*host);
    }
    if (targets.empty()) {
        std::fprintf(stderr, "linkvane-index: the targets file %s names no domain\n", path.c_str());
        return std::nullopt;
    }
    return targets;
}

} // namespace

int extract(const std::vector<std::string> &inputs, const std::string &targetsFile, unsigned threads)
{
    std::optional<std::unordered_set<std::string>> targets = readTargets(targetsFile);
    if (!targets)
        return 2;
    const std::atomic<bool> &stopAsked = stopOnSignals();
    try {
        ListSink sink(std::move(*targets));
        ProgressLine progress(stderr, progressMode(false));
        Importer importer(sink, workerThreads(threads), progress, stopAsked);
        return readInputs(importer, inputs, stderr, "was not written whole");
    } catch (const std::runtime_error &error) {
        std::fprintf(stderr, "linkvane-index: %s\n", error.what());
        return 1;
    }
}

} // namespace indexer
