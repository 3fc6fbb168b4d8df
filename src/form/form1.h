#pragma once

#include "query/backlinkquery.h"

#include <QWidget>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class ResultTable;

// The tool's only window. It holds the controls and wires them to the handlers; the work is done
// by the query, the result table and the desktop services it calls.
class Form1 : public QWidget, public QueryWindow
{
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);

    // Handlers, each run by the control and event in its name.
    void Form_Load();
    void Form_Unload(int &cancel);
    void Timer1_Timer();
    void Command5_MouseDown();
    void Command5_Click();
    void Command3_Click();
    void Command1_Click(); // the table refresh, run after every result page
    void Command2_Click(); // the update check
    void ListView1_DblClick();
    void ListView1_ContextMenu(QPoint position); // position in the table's viewport
    void mnuCopy_Click();
    void mnuCopyUrl_Click();
    void mnuOpen_Click();
    void mnuExport_Click();

    // QueryWindow
    QString domainText() const override;
    void setCountText(const QString &text) override { Label1 = text; }
    LinkLists &linkLists() override { return m_links; }
    void refreshTable() override { Command1_Click(); }

    QLabel *const Image39;
    QLabel *const Label3;
    QLineEdit *const Text1;
    QPushButton *const Command5;
    QPushButton *const Command3;
    QLabel *const Label2;
    ResultTable *const ListView1;
    QTimer *const Timer1;
    // The result table's context menu and its items, which also carry their keyboard shortcuts.
    QMenu *const mnuTable;
    QAction *const mnuCopy;
    QAction *const mnuCopyUrl;
    QAction *const mnuOpen;
    QAction *const mnuExport;
    // The claimed total of the last query, as cut from its first result page; never shown.
    QString Label1 = QStringLiteral("Label1");

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void setStatus(const QString &text);
    // The row items work on the selected row, the export on every row there is.
    void enableTableActions();

    LinkLists m_links;
};
