#include "form1.h"

#include "platform/runtimeerror.h"
#include "platform/services.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

Form1::Form1(QWidget *parent)
    : QWidget(parent), Text1(new QLineEdit(this)), Command5(new QPushButton(QStringLiteral("查  询"), this))
{
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(Text1);
    layout->addWidget(Command5);
    connect(Command5, &QPushButton::clicked, this, [this] {
        try {
            Command5_Click();
        } catch (const RuntimeError &error) {
            platform::MsgBox(error.report(), platform::vbCritical, QStringLiteral("Linkvane"));
        }
    });
}

void Form1::Command5_Click()
{
    runBacklinkQuery(*this);
}

void Form1::Command1_Click() {}

QString Form1::domainText() const
{
    return Text1->text();
}

void Form1::setCountText(const QString &text)
{
    Label1 = text;
}
