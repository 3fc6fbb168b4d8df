#pragma once

#include "query/backlinkquery.h"

#include <QWidget>

class QLineEdit;
class QPushButton;

// The tool's only window.
class Form1 : public QWidget, public QueryWindow
{
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);

    void Command5_Click();
    void Command1_Click();

    // QueryWindow
    QString domainText() const override;
    void setCountText(const QString &text) override;
    LinkLists &linkLists() override { return m_links; }
    void refreshTable() override { Command1_Click(); }

    QLineEdit *Text1;
    QPushButton *Command5;
    QString Label1 = QStringLiteral("Label1");

private:
    LinkLists m_links;
};
