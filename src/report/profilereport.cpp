#include "profilereport.h"

#include "index/linkflags.h"
#include "links/linknames.h"

#include <QDate>
#include <QDateTime>

#include <algorithm>
#include <map>
#include <unordered_set>

namespace report {

namespace {

// Each of the report's tables shows this many rows at most.
constexpr size_t kTopRows = 20;
constexpr int64_t kDay = int64_t(86400) * 1000000;

QDate dayOf(int64_t microseconds)
{
    return QDateTime::fromMSecsSinceEpoch(microseconds / 1000, Qt::UTC).date();
}

// The last moment of the month a day is in.
int64_t monthEnd(QDate day)
{
    const QDate next = QDate(day.year(), day.month(), 1).addMonths(1);
    return QDateTime(next, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch() * 1000 - 1;
}

template <typename Row>
std::vector<Row> top(std::vector<Row> rows)
{
    rows.resize(std::min(rows.size(), kTopRows));
    return rows;
}

using Link = linkindex::DomainLinks::Link;

bool standsAt(const Link &link, int64_t moment)
{
    return link.firstSeen <= moment && (!link.lostAt || *link.lostAt > moment);
}

void setMonths(ReportData &data, const std::vector<Link> &links)
{
    std::optional<int64_t> first;
    for (const Link &link : links)
        if (link.firstSeen && (!first || *link.firstSeen < *first))
            first = link.firstSeen;
    if (!first || !data.dataEnd)
        return;
    for (QDate month = dayOf(*first); ; month = month.addMonths(1)) {
        const int64_t end = std::min(monthEnd(month), *data.dataEnd);
        const int64_t start = monthEnd(month.addMonths(-1)) + 1;
        Month row{QStringLiteral("%1-%2").arg(month.year()).arg(month.month(), 2, 10, QChar(u'0')).toStdString()};
        std::unordered_set<const std::string *> domains;
        for (const Link &link : links) {
            if (standsAt(link, end)) {
                ++row.backlinks;
                domains.insert(link.domain);
            }
            row.gained += link.firstSeen && *link.firstSeen >= start && *link.firstSeen <= end;
            row.lost += link.lostAt && *link.lostAt >= start && *link.lostAt <= end;
        }
        row.referringDomains = int64_t(domains.size());
        data.months.push_back(std::move(row));
        if (end == *data.dataEnd)
            return;
    }
}

} // namespace

ReportData profileReport(linkindex::Database &db, std::string_view host, const std::string &typed)
{
    linkindex::Transaction read(db, linkindex::Transaction::Kind::Read);
    const linkindex::DomainLinks found(db, host);
    ReportData data;
    data.domain = typed;

    for (const Link &link : found.links()) {
        for (const std::optional<int64_t> seen : {link.lastSeen, link.lostAt})
            if (seen && (!data.dataEnd || *seen > *data.dataEnd))
                data.dataEnd = seen;
    }

    std::unordered_set<const std::string *> referring;
    int64_t dofollow = 0;
    // Each link once, under its rel set: the parts of the chart add up to the whole.
    std::map<std::string, int64_t> rel;
    Share type[3] = {{"text"}, {"image"}, {"redirect"}};
    for (const Link &link : found.links()) {
        if (data.dataEnd && link.firstSeen && *link.firstSeen > *data.dataEnd - 30 * kDay)
            ++data.gainedLast30Days;
        if (data.dataEnd && link.lostAt && *link.lostAt > *data.dataEnd - 30 * kDay)
            ++data.lostLast30Days;
        if (link.lostAt)
            continue;
        ++data.liveBacklinks;
        referring.insert(link.domain);
        const links::Rel linkRel = linkindex::relOfFlags(link.flags);
        dofollow += !linkRel.nofollow;
        const std::string tokens = links::relText(linkRel);
        ++rel[tokens.empty() ? "dofollow" : tokens];
        ++type[int(linkindex::typeOfFlags(link.flags))].links;
    }
    data.referringDomains = int64_t(referring.size());
    data.dofollowShare = data.liveBacklinks ? double(dofollow) / double(data.liveBacklinks) : 0;
    for (const auto &[tokens, count] : rel)
        data.relMix.push_back({tokens, count});
    std::stable_sort(data.relMix.begin(), data.relMix.end(), [](const Share &a, const Share &b) { return a.links > b.links; });
    data.typeMix.assign(std::begin(type), std::end(type));
    setMonths(data, found.links());

    data.topDomains = top(linkindex::referringDomains(found, false));
    data.topAnchors = top(linkindex::anchorUses(found, false));
    std::vector<linkindex::LinkedPage> pages = linkindex::linkedPages(db, found, false);
    for (const linkindex::LinkedPage &page : pages)
        if (page.capture == linkindex::LinkedPage::Capture::Gone)
            data.brokenPages.push_back(page);
    data.topPages = top(std::move(pages));
    data.latestChanges = linkindex::latestLinkChanges(db, found, kTopRows);
    return data;
}

} // namespace report
