#include "htmlreport.h"

#include "escaping.h"
#include "pageassets.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonObject>

#include <chrono>
#include <cstdio>
#include <initializer_list>

namespace report {
namespace {

using linkindex::LinkChange;
using linkindex::LinkedPage;
using linkindex::LostReason;

std::string day(std::optional<int64_t> microseconds)
{
    if (!microseconds)
        return {};
    using namespace std::chrono;
    const year_month_day date{floor<days>(sys_time<std::chrono::microseconds>(std::chrono::microseconds(*microseconds)))};
    char text[24];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", int(date.year()), unsigned(date.month()), unsigned(date.day()));
    return text;
}

std::string percent(double share)
{
    char text[24];
    std::snprintf(text, sizeof text, "%.1f%%", share * 100);
    return text;
}

// Only a web address becomes a link: a javascript: or data: URL among strangers' text would
// run or show something of theirs when clicked.
std::string urlHtml(const std::string &url)
{
    const std::string shown = htmlEscaped(url);
    if (!url.starts_with("http://") && !url.starts_with("https://"))
        return shown;
    return "<a href=\"" + shown + "\" rel=\"noopener noreferrer nofollow\">" + shown + "</a>";
}

std::string captureName(LinkedPage::Capture capture)
{
    switch (capture) {
    case LinkedPage::Capture::Page: return "200";
    case LinkedPage::Capture::Redirect: return "重定向";
    case LinkedPage::Capture::Gone: return "404/410";
    case LinkedPage::Capture::None: break;
    }
    return "未收录";
}

std::string reasonName(std::optional<LostReason> reason)
{
    if (!reason)
        return {};
    switch (*reason) {
    case LostReason::Removed: return "已移除";
    case LostReason::PageGone: return "页面已消失(404/410)";
    case LostReason::Redirected: return "已重定向";
    case LostReason::Noindex: return "noindex";
    }
    return {};
}

// The index's names of link types, as the window would say them; rel values are shown as
// they are written in HTML.
std::string shareLabel(const std::string &name)
{
    if (name == "text")
        return "文字链接";
    if (name == "image")
        return "图片链接";
    if (name == "redirect")
        return "重定向";
    return name;
}

// A column's heading, and the class of its cells that keeps numbers and dates readable.
struct Column
{
    const char *heading;
    const char *cellClass = nullptr;
};

constexpr const char *kNumber = "num";
constexpr const char *kOneLine = "one-line";

// Cells are HTML already.
using Row = std::vector<std::string>;

std::string openTag(const char *tag, const Column &column)
{
    return std::string("<") + tag + (column.cellClass ? std::string(" class=\"") + column.cellClass + "\">" : ">");
}

std::string tableSection(const char *id, const char *heading, std::initializer_list<Column> columns, const std::vector<Row> &rows)
{
    std::string html = std::string("<section>\n<h2>") + heading + "</h2>\n<table id=\"" + id + "\">\n<thead><tr>";
    for (const Column &column : columns)
        html += openTag("th", column) + column.heading + "</th>";
    html += "</tr></thead>\n<tbody>\n";
    for (const Row &row : rows) {
        html += "<tr>";
        auto column = columns.begin();
        for (const std::string &cell : row)
            html += openTag("td", *column++) + cell + "</td>";
        html += "</tr>\n";
    }
    html += "</tbody>\n</table>\n";
    if (rows.empty())
        html += "<p class=\"empty\">暂无</p>\n";
    return html + "</section>\n";
}

std::string pagesSection(const char *id, const char *heading, const std::vector<LinkedPage> &pages, bool withStatus)
{
    std::vector<Row> rows;
    for (const LinkedPage &page : pages) {
        rows.push_back({urlHtml(page.url), std::to_string(page.pages), std::to_string(page.domains)});
        if (withStatus)
            rows.back().push_back(captureName(page.capture));
    }
    if (withStatus)
        return tableSection(id, heading, {{"网址"}, {"链接页面", kNumber}, {"引用域名", kNumber}, {"状态", kOneLine}}, rows);
    return tableSection(id, heading, {{"网址"}, {"链接页面", kNumber}, {"引用域名", kNumber}}, rows);
}

std::string tablesHtml(const ReportData &data)
{
    std::vector<Row> domains;
    for (const auto &domain : data.topDomains)
        domains.push_back({htmlEscaped(domain.domain), std::to_string(domain.pages), std::to_string(domain.links),
                           std::to_string(domain.dofollowLinks), day(domain.firstSeen), day(domain.lastSeen),
                           htmlEscaped(domain.topAnchor)});
    std::vector<Row> anchors;
    for (const auto &anchor : data.topAnchors)
        anchors.push_back({htmlEscaped(anchor.anchor), std::to_string(anchor.links), std::to_string(anchor.pages),
                           std::to_string(anchor.domains)});
    std::vector<Row> changes;
    for (const LinkChange &change : data.latestChanges)
        changes.push_back({day(change.date), change.gained ? "<span class=\"gained\">新增</span>" : "<span class=\"lost\">丢失</span>",
                           urlHtml(change.sourceUrl), urlHtml(change.targetUrl), htmlEscaped(change.anchorText),
                           reasonName(change.reason)});

    return tableSection("top-domains", "主要引用域名",
                        {{"域名"}, {"链接页面", kNumber}, {"链接", kNumber}, {"dofollow 链接", kNumber}, {"首次发现", kOneLine}, {"最近发现", kOneLine}, {"最常用锚文本"}},
                        domains)
        + tableSection("top-anchors", "主要锚文本", {{"锚文本"}, {"链接", kNumber}, {"链接页面", kNumber}, {"引用域名", kNumber}}, anchors)
        + pagesSection("top-pages", "被链接最多的页面", data.topPages, true)
        + pagesSection("broken-pages", "失效的被链接页面（404/410）", data.brokenPages, false)
        + tableSection("latest-changes", "最近的新增与丢失",
                       {{"日期", kOneLine}, {"变化", kOneLine}, {"来源网址"}, {"目标网址"}, {"锚文本"}, {"原因", kOneLine}}, changes);
}

std::string summaryHtml(const ReportData &data)
{
    std::string html = "<section class=\"summary\">\n";
    const auto card = [&html](const char *field, const char *label, const std::string &value) {
        html += std::string("<div class=\"card\"><span class=\"label\">") + label + "</span><span class=\"value\" data-field=\""
            + field + "\">" + value + "</span></div>\n";
    };
    card("live-backlinks", "有效外链", std::to_string(data.liveBacklinks));
    card("referring-domains", "引用域名", std::to_string(data.referringDomains));
    card("dofollow-share", "dofollow 占比", percent(data.dofollowShare));
    card("gained-30d", "近 30 天新增", std::to_string(data.gainedLast30Days));
    card("lost-30d", "近 30 天丢失", std::to_string(data.lostLast30Days));
    return html + "</section>\n";
}

QJsonObject mixJson(const std::vector<Share> &mix)
{
    QJsonArray labels, links;
    for (const Share &share : mix) {
        labels.append(QString::fromStdString(shareLabel(share.name)));
        links.append(double(share.links));
    }
    return {{"labels", labels}, {"links", links}};
}

std::string chartJson(const ReportData &data)
{
    QJsonArray months, referringDomains, backlinks, gained, lost;
    for (const Month &month : data.months) {
        months.append(QString::fromStdString(month.month));
        referringDomains.append(double(month.referringDomains));
        backlinks.append(double(month.backlinks));
        gained.append(double(month.gained));
        lost.append(double(month.lost));
    }
    return scriptJson(QJsonDocument(QJsonObject{{"months", months},
                                                {"referringDomains", referringDomains},
                                                {"backlinks", backlinks},
                                                {"gained", gained},
                                                {"lost", lost},
                                                {"relMix", mixJson(data.relMix)},
                                                {"typeMix", mixJson(data.typeMix)}}));
}

std::string scriptHash(const std::string &script)
{
    return "'sha256-"
        + QCryptographicHash::hash(QByteArray::fromStdString(script), QCryptographicHash::Sha256).toBase64().toStdString() + "'";
}

} // namespace

std::string htmlReport(const ReportData &data, std::string_view chartJs)
{
    const std::string domain = htmlEscaped(data.domain);
    const std::string chartSource = scriptSource(chartJs);
    // Were anything of strangers' text ever to become markup, the page's policy lets it neither
    // run nor fetch anything: only these three scripts run.
    const std::string policy = "default-src 'none'; style-src 'unsafe-inline'; script-src " + scriptHash(kErrorScript) + " "
        + scriptHash(chartSource) + " " + scriptHash(kChartScript);

    return "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta http-equiv=\"Content-Security-Policy\" content=\"" + policy + "\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           "<title>外链报告：" + domain + "</title>\n"
           "<script>" + kErrorScript + "</script>\n"
           "<style>" + kReportStyle + "</style>\n"
           "</head>\n<body>\n<main>\n"
           "<h1>外链报告：" + domain + "</h1>\n"
           + (data.dataEnd ? "<p class=\"meta\">数据截至 <span data-field=\"data-end\">" + day(data.dataEnd)
                                 + "</span>（UTC）；近 30 天指截至该日的 30 天</p>\n"
                           : std::string("<p class=\"meta\"><span data-field=\"data-end\">暂无数据</span>：索引中没有链接到该域名的页面</p>\n"))
           + summaryHtml(data)
           + "<section class=\"charts\">\n"
             "<figure><figcaption>有效外链与引用域名（按月）</figcaption><div class=\"chart\"><canvas id=\"chart-profile\"></canvas></div></figure>\n"
             "<figure><figcaption>每月新增与丢失的链接</figcaption><div class=\"chart\"><canvas id=\"chart-changes\"></canvas></div></figure>\n"
             "<figure><figcaption>链接属性（rel）</figcaption><div class=\"chart\"><canvas id=\"chart-rel\"></canvas></div></figure>\n"
             "<figure><figcaption>链接类型</figcaption><div class=\"chart\"><canvas id=\"chart-type\"></canvas></div></figure>\n"
             "</section>\n"
           + tablesHtml(data)
           + "</main>\n"
             "<script type=\"application/json\" id=\"chart-data\">" + chartJson(data) + "</script>\n"
             "<script>" + chartSource + "</script>\n"
             "<script>" + kChartScript + "</script>\n"
             "</body>\n</html>\n";
}

} // namespace report
