// How fast one page becomes its title and links, over the 530 real pages of Debian's
// python3.11-doc, against libxml2's bare SAX parser on the same pages (the floor for any
// extractor built on it) and against gumbo, the other HTML parser Debian offers.
#include "baresax.h"
#include "benchsupport.h"
#include "links/charset.h"
#include "links/htmlpage.h"

#include <QDirIterator>
#include <QFile>

#include <gumbo.h>

#include <string>
#include <vector>

namespace {

const QString kDocs = QStringLiteral("/usr/share/doc/python3.11/html");

struct DocPage
{
    std::string url;
    std::string body;
};

std::vector<DocPage> docPages()
{
    std::vector<DocPage> pages;
    QDirIterator it(kDocs, {QStringLiteral("*.html")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString path = file.fileName().mid(kDocs.size());
        pages.push_back({"https://docs.python.org/3.11" + path.toStdString(), file.readAll().toStdString()});
    }
    return pages;
}

std::string hostileNesting()
{
    std::string html;
    for (int i = 0; i < 500; ++i)
        html += "<div>";
    while (html.size() < 16'000'000)
        html += "</x>";
    return html;
}

} // namespace

int main()
{
    const std::vector<DocPage> pages = docPages();
    if (pages.empty()) {
        std::printf("no pages under %s: install python3.11-doc\n", qPrintable(kDocs));
        return 1;
    }
    double bytes = 0;
    for (const DocPage &page : pages)
        bytes += page.body.size();
    std::printf("| %-58s | %14s | %s\n|---|---|---\n",
                qPrintable(QStringLiteral("%1 python3.11-doc pages, %2 MB").arg(pages.size()).arg(bytes / 1e6, 0, 'f', 1)),
                "MB/s", "pages/s, against the bare libxml2 SAX parser");

    // The machine is shared: the four are timed in turns, each keeping its best pass.
    const std::vector<std::function<void(const DocPage &)>> passes = {
        [](const DocPage &page) { parseWithoutHandlers(page.body); },
        [](const DocPage &page) {
            gumbo_destroy_output(&kGumboDefaultOptions,
                                 gumbo_parse_with_options(&kGumboDefaultOptions, page.body.data(), page.body.size()));
        },
        [](const DocPage &page) { links::extractPage(page.body, page.url); },
        [](const DocPage &page) { links::extractPage(links::htmlToUtf8(page.body, "text/html"), page.url); },
    };
    std::vector<double> best(passes.size(), 1e300);
    for (int round = 0; round < 5; ++round) {
        for (std::size_t i = 0; i < passes.size(); ++i)
            best[i] = std::min(best[i], bestMs([&] { for (const DocPage &page : pages) passes[i](page); }, 1));
    }

    const auto row = [&](const QString &what, double ms) {
        printRow(what, QString::number(bytes / 1e6 / (ms / 1000), 'f', 1),
                 QStringLiteral("%1 pages/s, %2x the baseline's time")
                     .arg(pages.size() / (ms / 1000), 0, 'f', 0)
                     .arg(ms / best[0], 0, 'f', 3));
    };
    row(QStringLiteral("libxml2 SAX parser, no callbacks (baseline)"), best[0]);
    row(QStringLiteral("gumbo parser"), best[1]);
    row(QStringLiteral("extractPage"), best[2]);
    row(QStringLiteral("htmlToUtf8 + extractPage"), best[3]);
    std::size_t links = 0;
    for (const DocPage &page : pages)
        links += links::extractPage(page.body, page.url).links.size();
    printRow(QStringLiteral("links to other hosts found"), QString::number(links));

    const std::string hostile = hostileNesting();
    const double hostileMs = bestMs([&] { links::extractPage(hostile, "http://page.example/"); }, 1);
    printRow(QStringLiteral("hostile 16 MB: 500 nested <div>, then stray end tags"),
             QString::number(hostile.size() / 1e6 / (hostileMs / 1000), 'f', 1),
             QStringLiteral("%1 ms").arg(hostileMs, 0, 'f', 0));
    return 0;
}
