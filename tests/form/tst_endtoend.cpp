// The window's query and the real program against the real offline link service, reached through
// http_proxy over loopback as a user behind a proxy reaches a search service.
#include "form/form1.h"
#include "platform/services.h"
#include "support/serviceprocess.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include "results/resulttable.h"
#include <QtTest>

#include <set>

namespace {

struct Link
{
    QString url;
    QString title;
    QString target;
};

// 120 links, every third to another site, some to a subdomain of site.example. Among the linking
// pages are https pages with a query, pages on a port under "~", and titles with "&", "<" and
// quotation marks, which the service writes as markup does.
QList<Link> linkList()
{
    QList<Link> links;
    for (int i = 1; i <= 120; ++i) {
        const QString target = i % 3 == 0 ? QStringLiteral("http://other.example/")
                               : i % 5 == 0 ? QStringLiteral("http://www.site.example/tea.html")
                                            : QStringLiteral("http://site.example/");
        const QString url = i % 4 == 1    ? QStringLiteral("https://src%1.example/p/?id=%1&lang=zh").arg(i)
                            : i % 10 == 2 ? QStringLiteral("http://src%1.example:8080/~li/%1.html").arg(i)
                                          : QStringLiteral("http://src%1.example/p/%1.html").arg(i);
        const QString title = i % 6 == 1 ? QStringLiteral("第%1页 茶 & 点心 <新> \"Page\"").arg(i)
                                         : QStringLiteral("第%1页 茶园 Page").arg(i);
        links.append({url, title, target});
    }
    return links;
}

} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void queryListsTheDomainsLinksInFileOrderPageByPage();
    void claimAbove900WalksNineteenPages();
    void programStartsAndSurvivesItsUpdateCheck();

private:
    // A shown window on the service with domain typed in, its update check switched off.
    std::unique_ptr<Form1> windowOn(ServiceProcess &service, const QString &domain);

    QTemporaryDir m_dir;
    QString m_links;
};

void EndToEndTest::initTestCase()
{
    platform::services().messageBox = [](const QString &prompt, int, const QString &) {
        qWarning("unexpected message box: %s", qPrintable(prompt));
        return int(platform::vbCancel);
    };
    m_links = m_dir.filePath(QStringLiteral("links.tsv"));
    QFile file(m_links);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("source_url\tsource_title\ttarget_url\n");
    for (const Link &link : linkList())
        file.write((link.url + u'\t' + link.title + u'\t' + link.target + u'\n').toUtf8());
}

std::unique_ptr<Form1> EndToEndTest::windowOn(ServiceProcess &service, const QString &domain)
{
    service.becomeProxy();
    auto window = std::make_unique<Form1>();
    window->Timer1->stop();
    window->show();
    window->Text1->setText(domain);
    return window;
}

void EndToEndTest::queryListsTheDomainsLinksInFileOrderPageByPage()
{
    ServiceProcess service({"--links", m_links, "--latency-ms", "40"});
    QVERIFY(service.port());

    const auto window = windowOn(service, QStringLiteral("site.example"));
    // The row counts the table shows while the query waits for its pages.
    std::set<int> rowsSeen;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] { rowsSeen.insert(window->ListView1->rows()); });
    watch.start(5);
    QTest::mouseClick(window->Command5, Qt::LeftButton);
    watch.stop();

    // 80 links claimed: 80 / 50 = 1.6 rounds to 2, so pages 1-50, 51-80 and an empty third one,
    // whose no-match row is the sign that it listed nothing.
    QStringList urls, titles;
    for (const Link &link : linkList()) {
        if (link.target.contains(u"other.example"))
            continue;
        urls << link.url + "\r\n";
        titles << link.title + "\r\n";
    }
    urls << "匹配失败";
    titles << "匹配失败";
    ResultTable *table = window->ListView1;
    QCOMPARE(table->rows(), urls.size());
    for (int row = 0; row < table->rows(); ++row) {
        QCOMPARE(table->cellText(row, 0), QString::number(row + 1));
        QCOMPARE(table->cellText(row, 1), urls[row]);
        QCOMPARE(table->cellText(row, 2), titles[row]);
    }
    QCOMPARE(window->Label2->text(), "网络中共80个页面有该站链接。  最多列出1000条！   当前已列出81条");
    QVERIFY(rowsSeen.count(0) && rowsSeen.count(50) && rowsSeen.count(80));
    QVERIFY(service.logged("b=101 200"));
}

void EndToEndTest::claimAbove900WalksNineteenPages()
{
    ServiceProcess service({"--links", m_links, "--claim", "site.example=5000"});
    QVERIFY(service.port());
    const auto window = windowOn(service, QStringLiteral("site.example"));
    QTest::mouseClick(window->Command5, Qt::LeftButton);

    QVERIFY(service.logged("b=901 200"));
    const QByteArray log = service.log();
    QCOMPARE(log.count("GET http://search.linkvane.example/search?p=http%3A%2F%2Fsite.example&bwm=i&bwmo=d&b="), 20);
    QCOMPARE(log.count("&b=1 200"), 2);
    QCOMPARE(window->Label1, "5000");
    // 80 links, and one no-match row for each of the 17 empty pages.
    QCOMPARE(window->ListView1->rows(), 80 + 17);
    QCOMPARE(window->Label2->text(), "网络中共5000个页面有该站链接。  最多列出1000条！   当前已列出97条");
}

void EndToEndTest::programStartsAndSurvivesItsUpdateCheck()
{
    ServiceProcess service({"--links", m_links});
    QVERIFY(service.port());
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("http_proxy"), QStringLiteral("http://127.0.0.1:%1").arg(service.port()));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(LINKVANE_BINARY), QStringList());
    QVERIFY(program.waitForStarted());

    QVERIFY(service.logged("GET http://www.linkvane.example/quorvel/dezevi.txt 200"));
    QVERIFY(!program.waitForFinished(1500));
    QCOMPARE(program.state(), QProcess::Running);
    QCOMPARE(service.log().count("dezevi.txt"), 1);
    program.kill();
    program.waitForFinished();
}

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
