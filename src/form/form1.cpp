#include "form1.h"

#include "platform/runtimeerror.h"
#include "platform/services.h"
#include "results/linkopener.h"
#include "results/resulttable.h"
#include "results/tableexport.h"
#include "updatecheck.h"
#include "vendor.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

namespace {

// The layout is designed in twips, fifteen to a logical pixel.
QRect twips(int left, int top, int width, int height)
{
    return {left / 15, top / 15, width / 15, height / 15};
}

QFont songti(qreal points)
{
    QFont font(QStringLiteral("宋体"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

const QString kBusyNotice = QStringLiteral("查询中，请等待...");
const QString kExportCaption = QStringLiteral("导出为 CSV");

} // namespace

// Children are stacked in the order they are created: the background picture first, at the bottom.
Form1::Form1(QWidget *parent)
    : QWidget(parent),
      Image39(new QLabel(this)),
      Label3(new QLabel(QStringLiteral("http://"), this)),
      Text1(new QLineEdit(QStringLiteral("chayuan.example"), this)),
      Command5(new QPushButton(QStringLiteral("查  询"), this)),
      Command3(new QPushButton(QStringLiteral("访问官网"), this)),
      Label2(new QLabel(this)),
      ListView1(new ResultTable(this)),
      Timer1(new QTimer(this)),
      mnuTable(new QMenu(this)),
      mnuCopy(mnuTable->addAction(QStringLiteral("复制"), this, &Form1::mnuCopy_Click)),
      mnuCopyUrl(mnuTable->addAction(QStringLiteral("复制网址"), this, &Form1::mnuCopyUrl_Click)),
      mnuOpen(mnuTable->addAction(QStringLiteral("打开网页"), this, &Form1::mnuOpen_Click)),
      mnuExport(mnuTable->addAction(QStringLiteral("导出为 CSV…"), this, &Form1::mnuExport_Click))
{
    setWindowTitle(vendor::windowTitle());
    QIcon icon;
    for (int size : {16, 24, 32, 48, 256})
        icon.addFile(QStringLiteral(":/linkvane-%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
    setFixedSize(twips(0, 0, 11070, 5415).size());

    Image39->setGeometry(twips(0, 0, 11175, 5025));
    Image39->setPixmap(QPixmap(QStringLiteral(":/background.jpg")));
    Image39->setScaledContents(true);
    Image39->setToolTip(QStringLiteral("注意：查询地址字母不能大写"));

    Label3->move(twips(1320, 360, 0, 0).topLeft());
    Label3->setFont(songti(10.5));
    Label3->adjustSize();

    Text1->setGeometry(twips(2400, 240, 4455, 495));
    Text1->setAccessibleName(QStringLiteral("域名"));

    for (QPushButton *button : {Command5, Command3}) {
        button->setFont(songti(9));
        button->setAutoDefault(false);
    }
    Command5->setGeometry(twips(6960, 240, 1215, 495));
    Command3->setGeometry(twips(8880, 240, 1215, 495));

    Label2->move(twips(1440, 840, 0, 0).topLeft());
    // No accessible name: a screen reader then reads the label's text, the busy notice or the summary.
    Label2->setAccessibleDescription(QStringLiteral("状态"));

    ListView1->setGeometry(twips(0, 1080, 11055, 4335));
    ListView1->setAccessibleName(QStringLiteral("查询结果"));
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    // Ctrl+C copies a row only in the table, so that the domain box keeps its own; Ctrl+S saves from
    // anywhere in the window.
    mnuCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    mnuCopy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    ListView1->addAction(mnuCopy);
    mnuExport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    addAction(mnuExport);
    mnuTable->insertSeparator(mnuExport);
    enableTableActions();

    setTabOrder(ListView1, Text1);
    setTabOrder(Text1, Command5);
    setTabOrder(Command5, Command3);

    Command5->installEventFilter(this);
    ListView1->viewport()->installEventFilter(this);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(ListView1, &QWidget::customContextMenuRequested, this, &Form1::ListView1_ContextMenu);
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this, &Form1::enableTableActions);
    connect(ListView1->model(), &QAbstractItemModel::modelReset, this, &Form1::enableTableActions);
    Timer1->start(1000);

    Form_Load();
    ListView1->setFocus();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    const bool press = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    if (watched == Command5 && press)
        Command5_MouseDown();
    else if (watched == ListView1->viewport() && event->type() == QEvent::MouseButtonDblClick)
        ListView1_DblClick();
    return false;
}

void Form1::closeEvent(QCloseEvent *event)
{
    int cancel = 0;
    Form_Unload(cancel);
    if (cancel)
        event->ignore();
    else
        event->accept();
}

void Form1::Form_Load()
{
    ListView1->setUpColumns();
}

void Form1::Form_Unload(int &cancel)
{
    using namespace platform;
    if (MsgBox(QStringLiteral("真的退出吗?"), vbOKCancel | vbQuestion, QStringLiteral("退出")) == vbOK)
        services().endProcess();
    else
        cancel = -1;
}

void Form1::Timer1_Timer()
{
    Timer1->stop();
    Command2_Click();
}

void Form1::Command5_MouseDown()
{
    setStatus(kBusyNotice);
}

void Form1::Command5_Click()
{
    try {
        runBacklinkQuery(*this);
    } catch (const RuntimeError &error) {
        // Reported like any run-time error; the window stays open with what it holds.
        platform::MsgBox(error.report(), platform::vbCritical, QStringLiteral("Linkvane"));
    }
}

void Form1::Command3_Click()
{
    platform::services().openUrl(QUrl(vendor::siteUrl()));
}

void Form1::Command1_Click()
{
    ListView1->rebuild(m_links);
    setStatus(summaryLine(Label1, m_links.List1.size()));
}

void Form1::Command2_Click()
{
    using namespace platform;
    const std::optional<QString> latest = latestVersionText(getHTTPPage2(vendor::versionFileUrl()));
    if (!latest || *latest == ownVersionText())
        return;
    const QString prompt = QStringLiteral("最新版本quorvel") + *latest + QStringLiteral("，是否更新？");
    if (MsgBox(prompt, vbOKCancel | vbQuestion, QStringLiteral("发现最新版本")) == vbOK)
        services().openUrl(QUrl(vendor::downloadUrl()));
}

void Form1::ListView1_DblClick()
{
    if (const std::optional<QUrl> url = linkToOpen(*ListView1, QCursor::pos()))
        platform::services().openUrl(*url);
}

void Form1::ListView1_ContextMenu(QPoint position)
{
    // The row items act on the row clicked; a click beside the rows leaves them nothing to act on.
    if (const QModelIndex hit = ListView1->indexAt(position); hit.isValid())
        ListView1->setCurrentIndex(hit);
    else
        ListView1->clearSelection();
    mnuTable->popup(ListView1->viewport()->mapToGlobal(position));
}

void Form1::mnuCopy_Click()
{
    if (const std::optional<int> row = ListView1->selectedRow())
        QGuiApplication::clipboard()->setText(copiedRow(*ListView1, *row));
}

void Form1::mnuCopyUrl_Click()
{
    if (const std::optional<int> row = ListView1->selectedRow())
        QGuiApplication::clipboard()->setText(ListView1->shownText(*row, 1));
}

void Form1::mnuOpen_Click()
{
    if (const std::optional<int> row = ListView1->selectedRow()) {
        if (const std::optional<QUrl> url = webAddress(ListView1->cellText(*row, 1)))
            platform::services().openUrl(*url);
    }
}

void Form1::mnuExport_Click()
{
    using namespace platform;
    if (ListView1->rows() == 0)
        return;
    const QString proposed = QDir::home().filePath(Text1->text() + QStringLiteral("-backlinks.csv"));
    const QString path = services().saveFileName(kExportCaption, proposed, QStringLiteral("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    if (const QString reason = saveCsvFile(*ListView1, path); !reason.isEmpty())
        MsgBox(QStringLiteral("无法保存 %1\n\n%2").arg(QDir::toNativeSeparators(path), reason), vbCritical, kExportCaption);
}

QString Form1::domainText() const
{
    return Text1->text();
}

void Form1::setStatus(const QString &text)
{
    Label2->setText(text);
    Label2->adjustSize();
}

void Form1::enableTableActions()
{
    const bool onRow = ListView1->selectedRow().has_value();
    for (QAction *item : {mnuCopy, mnuCopyUrl, mnuOpen})
        item->setEnabled(onRow);
    mnuExport->setEnabled(ListView1->rows() > 0);
}
