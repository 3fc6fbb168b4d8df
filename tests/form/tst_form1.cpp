#include "form/form1.h"
#include "platform/services.h"
#include "results/resulttable.h"
#include "support/testserver.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace std::chrono_literals;

namespace {

struct Prompt
{
    QString text;
    int style;
    QString title;
};

const QString kBusy = QStringLiteral("查询中，请等待...");

QByteArray resultPage(const QByteArray &count, const QByteArray &b)
{
    return "<p>共 <strong>" + count + "</strong> 条</p>\n" + b + ". <a href=\"http://p" + b
           + ".example/\" target=\"_blank\">第" + b + "页</a>\n";
}

} // namespace

class Form1Test : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void startsWithItsControlsAndTheFocusInTheTable();
    void tabVisitsOnlyTheVisibleControls();
    void pressOfAnyMouseButtonShowsTheBusyNotice();
    void clickRunsTheQueryAndTheTableGrowsPageByPage();
    void keyboardActivationQueriesWithoutTheBusyNotice();
    void failedQueryIsReportedAndTheWindowGoesOn();
    void doubleClickOnARowOpensItsPage();
    void statusLineIsWhatAssistiveTechnologyReads();
    void copyPutsTheRowAsShownOnTheClipboard_data();
    void copyPutsTheRowAsShownOnTheClipboard();
    void contextMenuOffersTheRowItemsOnlyOnARow();
    void openFromTheMenuOpensWhatADoubleClickOpens();
    void exportSavesWhereTheUserChoseOrSaysWhyNot_data();
    void exportSavesWhereTheUserChoseOrSaysWhyNot();
    void siteButtonOpensTheVendorSite();
    void closingAsksFirst();
    void updateCheckRunsOnceASecondAfterStart();
    void updateCheckPromptsOnlyForAnotherVersion_data();
    void updateCheckPromptsOnlyForAnotherVersion();
    void updateAcceptedOpensTheDownloadPage();

private:
    // A shown window whose update check does not start by itself.
    std::unique_ptr<Form1> shownWindow();

    std::unique_ptr<TestServer> m_server;
    QList<Prompt> m_prompts;
    int m_answer = platform::vbCancel;
    QList<QUrl> m_opened;
    QStringList m_proposed; // by the save dialogs shown
    QString m_savePath;     // their answer
    int m_ended = 0;
};

void Form1Test::init()
{
    m_prompts.clear();
    m_opened.clear();
    m_proposed.clear();
    m_savePath.clear();
    m_ended = 0;
    m_answer = platform::vbCancel;
    platform::services() = {
        [this](const QString &text, int style, const QString &title) {
            m_prompts.append({text, style, title});
            return m_answer;
        },
        [this](const QUrl &url) { m_opened.append(url); },
        [this](const QString &, const QString &proposed, const QString &) {
            m_proposed.append(proposed);
            return m_savePath;
        },
        [this] { ++m_ended; },
    };
    m_server = std::make_unique<TestServer>([](const QByteArray &target, QTcpSocket *socket) {
        TestServer::reply(socket, 200, resultPage("137", TestServer::queryValue(target, "b")));
    });
    m_server->becomeProxy();
}

std::unique_ptr<Form1> Form1Test::shownWindow()
{
    auto window = std::make_unique<Form1>();
    window->Timer1->stop();
    window->show();
    QApplication::setActiveWindow(window.get());
    if (!QTest::qWaitForWindowActive(window.get()))
        qFatal("window not active");
    return window;
}

void Form1Test::startsWithItsControlsAndTheFocusInTheTable()
{
    auto window = shownWindow();
    QCOMPARE(window->windowTitle(), "Linkvane        www.linkvane.example （链帆软件工作室） QQ:800061287");
    QCOMPARE(window->size(), QSize(738, 361));
    QCOMPARE(window->Text1->text(), "chayuan.example");
    QCOMPARE(window->Command5->text(), "查  询");
    QCOMPARE(window->Command3->text(), "访问官网");
    QCOMPARE(window->Label1, "Label1");
    QCOMPARE(window->Label2->text(), "");
    QCOMPARE(window->Image39->toolTip(), "注意：查询地址字母不能大写");
    QCOMPARE(window->ListView1->model()->columnCount(), 3);
    QCOMPARE(window->ListView1->rows(), 0);
    QVERIFY(window->linkLists().List1.isEmpty());
    QCOMPARE(QApplication::focusWidget(), window->ListView1);
    QCOMPARE(window->Command5->geometry(), QRect(464, 16, 81, 33));
    QCOMPARE(window->ListView1->geometry(), QRect(0, 72, 737, 289));
}

void Form1Test::tabVisitsOnlyTheVisibleControls()
{
    auto window = shownWindow();
    const QList<QWidget *> order{window->Text1, window->Command5, window->Command3, window->ListView1, window->Text1};
    for (QWidget *next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    // Enter in the domain box and Esc start nothing.
    QTest::keyClick(window->Text1, Qt::Key_Return);
    QTest::keyClick(window->Text1, Qt::Key_Escape);
    QTest::qWait(50);
    QVERIFY(m_server->targets.isEmpty());
    QVERIFY(window->isVisible());
}

void Form1Test::pressOfAnyMouseButtonShowsTheBusyNotice()
{
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        auto window = shownWindow();
        QTest::mouseClick(window->Command5, button);
        QCOMPARE(window->Label2->text(), kBusy);
        QVERIFY(m_server->targets.isEmpty()); // only a left click queries
    }
}

void Form1Test::clickRunsTheQueryAndTheTableGrowsPageByPage()
{
    auto window = shownWindow();
    QStringList statusDuringWaits;
    QList<int> rowsDuringWaits;
    m_server->setHandler([&](const QByteArray &target, QTcpSocket *socket) {
        statusDuringWaits << window->Label2->text();
        rowsDuringWaits << window->ListView1->rows();
        TestServer::reply(socket, 200, resultPage("137", TestServer::queryValue(target, "b")));
    });
    QTest::mouseClick(window->Command5, Qt::LeftButton);

    QCOMPARE(m_server->targets.size(), 5);
    QCOMPARE(statusDuringWaits.first(), kBusy);
    QCOMPARE(rowsDuringWaits, (QList<int>{0, 0, 1, 2, 3}));
    QCOMPARE(window->Label1, "137");
    QCOMPARE(window->Label2->text(), "网络中共137个页面有该站链接。  最多列出1000条！   当前已列出4条");
    QCOMPARE(window->ListView1->rows(), 4);
    QCOMPARE(window->ListView1->cellText(1, 0), "2");
    QCOMPARE(window->ListView1->cellText(1, 1), "http://p51.example/\r\n");
    QCOMPARE(window->ListView1->cellText(1, 2), "第51页\r\n");
    QVERIFY(m_prompts.isEmpty());
}

void Form1Test::keyboardActivationQueriesWithoutTheBusyNotice()
{
    auto window = shownWindow();
    QStringList statusDuringWaits;
    m_server->setHandler([&](const QByteArray &target, QTcpSocket *socket) {
        statusDuringWaits << window->Label2->text();
        TestServer::reply(socket, 200, resultPage("20", TestServer::queryValue(target, "b")));
    });
    window->Command5->setFocus();
    QTest::keyClick(window->Command5, Qt::Key_Space);
    QCOMPARE(statusDuringWaits, (QStringList{"", ""}));
    QCOMPARE(window->Label2->text(), "网络中共20个页面有该站链接。  最多列出1000条！   当前已列出1条");
}

void Form1Test::failedQueryIsReportedAndTheWindowGoesOn()
{
    auto window = shownWindow();
    window->Command5->click();
    const int rows = window->ListView1->rows();

    m_server->setHandler([](const QByteArray &, QTcpSocket *socket) { TestServer::reply(socket, 503, "busy"); });
    QTest::mouseClick(window->Command5, Qt::LeftButton);
    QCOMPARE(m_prompts.size(), 1);
    QCOMPARE(m_prompts.first().text, "Run-time error '9':\n\nSubscript out of range");
    QCOMPARE(m_prompts.first().style, platform::vbCritical);
    // The table keeps the previous results and the status line the busy notice.
    QCOMPARE(window->ListView1->rows(), rows);
    QCOMPARE(window->Label2->text(), kBusy);
    QCOMPARE(window->Label1, "137");

    m_server->setHandler([](const QByteArray &, QTcpSocket *socket) {
        TestServer::reply(socket, 200, "共 <strong>许多</strong>");
    });
    window->Command5->click();
    QCOMPARE(m_prompts.last().text, "Run-time error '13':\n\nType mismatch");
    QCOMPARE(window->Label1, "许多");

    m_server->setHandler([](const QByteArray &target, QTcpSocket *socket) {
        TestServer::reply(socket, 200, resultPage("7", TestServer::queryValue(target, "b")));
    });
    window->Text1->setText(QStringLiteral("xiaodian.example"));
    window->Command5->click();
    QCOMPARE(window->ListView1->rows(), 1);
    QCOMPARE(m_prompts.size(), 2);
}

// A user's double-click: the first click selects the row under the cursor. QTest's double-click
// sends no first click and leaves the cursor where it was.
static void doubleClick(ResultTable *table, QPoint point)
{
    QCursor::setPos(table->viewport()->mapToGlobal(point));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, point);
}

void Form1Test::doubleClickOnARowOpensItsPage()
{
    auto window = shownWindow();
    window->Command5->click();
    ResultTable *table = window->ListView1;
    const QRect row = table->visualRect(table->model()->index(1, 0));
    for (int x : {10, 100, 500})
        doubleClick(table, QPoint(x, row.center().y()));
    QCOMPARE(m_opened, QList<QUrl>(3, QUrl("http://p51.example/")));

    doubleClick(table, QPoint(100, table->visualRect(table->model()->index(3, 0)).bottom() + 30));
    QCOMPARE(m_opened.size(), 3);
    QCOMPARE(table->rows(), 4);
}

void Form1Test::statusLineIsWhatAssistiveTechnologyReads()
{
    auto window = shownWindow();
    const auto spoken = [&window] {
        return QAccessible::queryAccessibleInterface(window->Label2)->text(QAccessible::Name);
    };
    QStringList spokenDuringWaits;
    m_server->setHandler([&](const QByteArray &target, QTcpSocket *socket) {
        spokenDuringWaits << spoken();
        TestServer::reply(socket, 200, resultPage("137", TestServer::queryValue(target, "b")));
    });
    QTest::mouseClick(window->Command5, Qt::LeftButton);
    QCOMPARE(spokenDuringWaits.first(), kBusy);
    QCOMPARE(spoken(), "网络中共137个页面有该站链接。  最多列出1000条！   当前已列出4条");

    QTest::mouseClick(window->Command5, Qt::RightButton);
    QCOMPARE(spoken(), kBusy);
}

// A right click as the desktop delivers it: a context-menu request at a point of the table.
static void rightClick(ResultTable *table, QPoint point)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, point, table->viewport()->mapToGlobal(point));
    QApplication::sendEvent(table->viewport(), &event);
}

static QPoint overRow(ResultTable *table, int row)
{
    return table->visualRect(table->model()->index(row, 1)).center();
}

static void chooseFromMenu(Form1 &window, QAction *item)
{
    QTRY_VERIFY(window.mnuTable->isVisible());
    QTest::mouseClick(window.mnuTable, Qt::LeftButton, {}, window.mnuTable->actionGeometry(item).center());
}

void Form1Test::copyPutsTheRowAsShownOnTheClipboard_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("copied");
    QTest::newRow("Ctrl+C") << "Ctrl+C" << "2\thttp://p51.example/\t第51页\n";
    QTest::newRow("复制") << "复制" << "2\thttp://p51.example/\t第51页\n";
    QTest::newRow("复制网址") << "复制网址" << "http://p51.example/";
}

void Form1Test::copyPutsTheRowAsShownOnTheClipboard()
{
    QFETCH(QString, how);
    QFETCH(QString, copied);
    auto window = shownWindow();
    ResultTable *table = window->ListView1;
    QClipboard *clipboard = QGuiApplication::clipboard();
    const auto copy = [&](int row) {
        if (how == "Ctrl+C") {
            table->setCurrentIndex(table->model()->index(row, 0));
            QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
        } else {
            rightClick(table, overRow(table, row));
            chooseFromMenu(*window, how == "复制" ? window->mnuCopy : window->mnuCopyUrl);
        }
    };

    // Before the first query there is nothing to copy.
    clipboard->setText(QStringLiteral("before"));
    table->setFocus();
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), "before");

    window->Command5->click();
    copy(1);
    QCOMPARE(clipboard->text(), copied);
    // Ctrl+C in the domain box copies its own text.
    window->Text1->setFocus();
    window->Text1->selectAll();
    QTest::keyClick(window->Text1, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), "chayuan.example");
}

void Form1Test::contextMenuOffersTheRowItemsOnlyOnARow()
{
    auto window = shownWindow();
    ResultTable *table = window->ListView1;
    const auto enabledOnRightClick = [&](QPoint point) {
        rightClick(table, point);
        QList<bool> states;
        if (QTest::qWaitFor([&] { return window->mnuTable->isVisible(); })) {
            for (QAction *item : {window->mnuCopy, window->mnuCopyUrl, window->mnuOpen, window->mnuExport})
                states << item->isEnabled();
        }
        window->mnuTable->close();
        return states;
    };
    QCOMPARE(enabledOnRightClick(QPoint(100, 10)), (QList<bool>{false, false, false, false}));
    window->Command5->click();
    QCOMPARE(enabledOnRightClick(overRow(table, 2)), (QList<bool>{true, true, true, true}));
    QCOMPARE(table->selectedRow(), 2);
    const QPoint belowTheRows(100, table->visualRect(table->model()->index(3, 0)).bottom() + 30);
    QCOMPARE(enabledOnRightClick(belowTheRows), (QList<bool>{false, false, false, true}));
}

void Form1Test::openFromTheMenuOpensWhatADoubleClickOpens()
{
    m_server->setHandler([](const QByteArray &, QTcpSocket *socket) {
        // An https page on a port, and an anchor without an absolute URL.
        TestServer::reply(socket, 200,
                          "<p>共 <strong>10</strong> 条</p>\n1. <a href='https://p.example:8443/~li/?a=1&amp;b=2'>P</a>\n"
                          "2. <a href=\"/local.html\">L</a>\n");
    });
    auto window = shownWindow();
    window->Command5->click();
    ResultTable *table = window->ListView1;
    for (int row : {0, 1}) {
        rightClick(table, overRow(table, row));
        chooseFromMenu(*window, window->mnuOpen);
        doubleClick(table, overRow(table, row));
    }
    QCOMPARE(m_opened, QList<QUrl>(2, QUrl("https://p.example:8443/~li/?a=1&b=2")));
}

void Form1Test::exportSavesWhereTheUserChoseOrSaysWhyNot_data()
{
    QTest::addColumn<QString>("chosen"); // in a fresh folder; empty: the dialog was cancelled
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<bool>("reported");
    QTest::newRow("cancelled") << "" << QByteArray() << false;
    QTest::newRow("saved") << "links.csv"
                           << QByteArray("\xEF\xBB\xBF序号,网址,页面名字\r\n1,http://p1.example/,第1页\r\n"
                                         "2,http://p51.example/,第51页\r\n3,http://p101.example/,第101页\r\n"
                                         "4,http://p151.example/,第151页\r\n")
                           << false;
    QTest::newRow("folder that does not exist") << "missing/links.csv" << QByteArray() << true;
}

void Form1Test::exportSavesWhereTheUserChoseOrSaysWhyNot()
{
    QFETCH(QString, chosen);
    QFETCH(QByteArray, saved);
    QFETCH(bool, reported);
    QTemporaryDir dir;
    auto window = shownWindow();
    // Before the first query there is nothing to save, and no dialog asks.
    QTest::keyClick(window->ListView1, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(m_proposed.isEmpty());

    window->Text1->setText(QStringLiteral("Xiaodian.example"));
    window->Command5->click();
    m_savePath = chosen.isEmpty() ? QString() : dir.filePath(chosen);
    QTest::keyClick(window->Text1, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(m_proposed, QStringList{QDir::home().filePath("Xiaodian.example-backlinks.csv")});

    QFile file(m_savePath);
    QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), saved);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), saved.isEmpty() ? 0 : 1);
    if (reported) {
        // Naming the file and why it could not be written.
        QCOMPARE(m_prompts.size(), 1);
        QVERIFY2(m_prompts.first().text.startsWith("无法保存 " + m_savePath + "\n\n")
                     && m_prompts.first().text.size() > m_savePath.size() + 7,
                 qPrintable(m_prompts.first().text));
        QCOMPARE(m_prompts.first().style, platform::vbCritical);
    } else {
        QVERIFY(m_prompts.isEmpty());
    }
    QCOMPARE(window->ListView1->rows(), 4);
}

void Form1Test::siteButtonOpensTheVendorSite()
{
    auto window = shownWindow();
    QTest::mouseClick(window->Command3, Qt::LeftButton);
    QTest::mouseClick(window->Command3, Qt::LeftButton);
    QCOMPARE(m_opened, QList<QUrl>(2, QUrl("http://www.linkvane.example/quorvel")));
}

void Form1Test::closingAsksFirst()
{
    auto window = shownWindow();
    window->Command5->click();
    const QString status = window->Label2->text();

    m_answer = platform::vbCancel;
    QVERIFY(!window->close());
    QCOMPARE(m_prompts.size(), 1);
    QCOMPARE(m_prompts.first().text, "真的退出吗?");
    QCOMPARE(m_prompts.first().style, 33);
    QCOMPARE(m_prompts.first().title, "退出");
    QCOMPARE(m_ended, 0);
    QVERIFY(window->isVisible());
    QCOMPARE(window->Label2->text(), status);
    QCOMPARE(window->ListView1->rows(), 4);

    // OK ends the process even while a query waits for a page.
    m_answer = platform::vbOK;
    m_server->setHandler([&](const QByteArray &, QTcpSocket *socket) {
        QTimer::singleShot(0, window.get(), [&] { window->close(); });
        QTimer::singleShot(50, socket, [socket] { TestServer::reply(socket, 200, resultPage("7", "1")); });
    });
    window->Command5->click();
    QCOMPARE(m_ended, 1);
}

void Form1Test::updateCheckRunsOnceASecondAfterStart()
{
    m_server->setHandler([](const QByteArray &, QTcpSocket *socket) {
        TestServer::reply(socket, 200, "9.0\r\n", "text/plain");
    });
    Form1 window;
    QTest::qWait(700);
    QVERIFY(m_server->targets.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(m_server->targets.size(), 1, 2000);
    QCOMPARE(m_server->targets.first(), "http://www.linkvane.example/quorvel/dezevi.txt");
    QTRY_COMPARE(m_prompts.size(), 1);
    QTest::qWait(1500);
    QCOMPARE(m_server->targets.size(), 1);
    QVERIFY(!window.Timer1->isActive());
}

void Form1Test::updateCheckPromptsOnlyForAnotherVersion_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("prompt"); // empty: no prompt
    QTest::newRow("same version, more lines") << 200 << QByteArray("8.7\r\n8.7 版更新说明\r\n") << "";
    QTest::newRow("same version alone") << 200 << QByteArray("8.7") << "";
    QTest::newRow("same version, LF line ends") << 200 << QByteArray("8.7\nnotes\n") << "";
    QTest::newRow("trailing blank") << 200 << QByteArray("8.7 \r\n") << "最新版本quorvel8.7 ，是否更新？";
    QTest::newRow("8.70") << 200 << QByteArray("8.70\r\n") << "最新版本quorvel8.70，是否更新？";
    QTest::newRow("older") << 200 << QByteArray("8.6\r\n") << "最新版本quorvel8.6，是否更新？";
    QTest::newRow("gb2312 text") << 200 << QByteArray("9.0\xb2\xe2\xca\xd4\xb0\xe6\r\n") << "最新版本quorvel9.0测试版，是否更新？";
    QTest::newRow("lone CR is no line end") << 200 << QByteArray("8.7\r") << "最新版本quorvel8.7\r，是否更新？";
    QTest::newRow("not found") << 404 << QByteArray("<html>Not Found</html>") << "";
    QTest::newRow("server error") << 500 << QByteArray("8.8") << "";
    QTest::newRow("unreachable") << 0 << QByteArray() << "";
}

void Form1Test::updateCheckPromptsOnlyForAnotherVersion()
{
    QFETCH(int, status);
    QFETCH(QByteArray, file);
    QFETCH(QString, prompt);
    m_server->setHandler([&](const QByteArray &, QTcpSocket *socket) {
        if (status == 0)
            socket->abort();
        else
            TestServer::reply(socket, status, file, "text/plain; charset=gb2312");
    });
    Form1 window;
    window.Timer1->stop();
    window.Command2_Click();
    if (prompt.isEmpty()) {
        QVERIFY(m_prompts.isEmpty());
    } else {
        QCOMPARE(m_prompts.size(), 1);
        QCOMPARE(m_prompts.first().text, prompt);
        QCOMPARE(m_prompts.first().style, 33);
        QCOMPARE(m_prompts.first().title, "发现最新版本");
    }
    QVERIFY(m_opened.isEmpty()); // the prompts were answered with Cancel
}

void Form1Test::updateAcceptedOpensTheDownloadPage()
{
    m_server->setHandler([](const QByteArray &, QTcpSocket *socket) { TestServer::reply(socket, 200, "9.0\r\n"); });
    m_answer = platform::vbOK;
    Form1 window;
    window.Timer1->stop();
    window.Command2_Click();
    QCOMPARE(m_opened, QList<QUrl>{QUrl("http://www.linkvane.example/quorvel/")});
}

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
