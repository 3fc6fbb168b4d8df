#pragma once

// The fixed parts of a report's page: its style, and its scripts besides Chart.js.

namespace report {

inline constexpr char kReportStyle[] = R"css(
body { margin: 0; background: #f4f6f8; color: #1f2933;
       font: 14px/1.5 "Noto Sans CJK SC", "Source Han Sans SC", "PingFang SC", "Microsoft YaHei", sans-serif; }
main { max-width: 1200px; margin: 0 auto; padding: 24px 32px 48px; }
h1 { font-size: 26px; margin: 0 0 4px; word-break: break-all; }
h2 { font-size: 18px; margin: 32px 0 12px; }
.meta { color: #616e7c; margin: 0 0 20px; }
.summary { display: grid; grid-template-columns: repeat(5, 1fr); gap: 12px; }
.card, figure, table { background: #fff; border: 1px solid #d9e2ec; border-radius: 6px; }
.card { padding: 14px 16px; }
.card .label { display: block; color: #616e7c; }
.card .value { display: block; font-size: 26px; font-weight: bold; }
.charts { display: grid; grid-template-columns: 1fr 1fr; gap: 16px; margin-top: 24px; }
figure { margin: 0; padding: 12px 16px 16px; }
figcaption { font-weight: bold; margin-bottom: 8px; }
.chart { position: relative; height: 260px; }
table { width: 100%; border-collapse: collapse; table-layout: auto; }
th, td { padding: 6px 10px; border-bottom: 1px solid #e4e7eb; text-align: left; vertical-align: top; }
th { background: #f0f4f8; white-space: nowrap; }
td { overflow-wrap: anywhere; }
.num { text-align: right; white-space: nowrap; font-variant-numeric: tabular-nums; }
.one-line { white-space: nowrap; }
.gained { color: #2f8a4f; }
.lost { color: #b2432f; }
.empty { color: #9aa5b1; margin: 8px 0 0; }
a { color: #1f5fa3; text-decoration: none; }
)css";

// Registered before anything else runs, so that a test, or anyone looking at the page's
// elements, sees what went wrong.
inline constexpr char kErrorScript[] = R"js(
(() => {
  const record = (message) => {
    const root = document.documentElement;
    root.dataset.errors = (root.dataset.errors ? root.dataset.errors + "\n" : "") + message;
  };
  window.addEventListener("error", (event) => record(String(event.message)));
  window.addEventListener("unhandledrejection", (event) => record(String(event.reason)));
  document.addEventListener("securitypolicyviolation", (event) => record("blocked: " + event.violatedDirective));
})();
)js";

inline constexpr char kChartScript[] = R"js(
(() => {
  const data = JSON.parse(document.getElementById("chart-data").textContent);
  Chart.defaults.animation = false;
  Chart.defaults.maintainAspectRatio = false;
  Chart.defaults.font.family = getComputedStyle(document.body).fontFamily;
  const blue = "#2f6fb2", green = "#3c9a5f", red = "#c8553d";
  const palette = ["#2f6fb2", "#e0a526", "#3c9a5f", "#c8553d", "#7e5ab8", "#6b7785", "#2bb0a8", "#d46fa0"];
  const count = { beginAtZero: true, ticks: { precision: 0 } };
  new Chart(document.getElementById("chart-profile"), {
    type: "line",
    data: { labels: data.months, datasets: [
      { label: "有效外链", data: data.backlinks, borderColor: blue, backgroundColor: blue, yAxisID: "links" },
      { label: "引用域名", data: data.referringDomains, borderColor: green, backgroundColor: green, yAxisID: "domains" } ] },
    options: { scales: {
      links: { ...count, position: "left", title: { display: true, text: "有效外链" } },
      domains: { ...count, position: "right", grid: { drawOnChartArea: false }, title: { display: true, text: "引用域名" } } } }
  });
  new Chart(document.getElementById("chart-changes"), {
    type: "bar",
    data: { labels: data.months, datasets: [
      { label: "新增", data: data.gained, backgroundColor: green },
      { label: "丢失", data: data.lost, backgroundColor: red } ] },
    options: { scales: { y: count } }
  });
  for (const [id, mix] of [["chart-rel", data.relMix], ["chart-type", data.typeMix]]) {
    new Chart(document.getElementById(id), {
      type: "doughnut",
      data: { labels: mix.labels, datasets: [{ data: mix.links, backgroundColor: palette }] },
      options: { plugins: { legend: { position: "right" } } }
    });
  }
  document.documentElement.dataset.rendered = "1";
})();
)js";

} // namespace report
