#include "comm/TformPickPort.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TformPickPort::TformPickPort(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("formPickPort"));
    setWindowTitle(QStringLiteral("Select Serial Port"));
    QFont bold = font();
    bold.setPointSize(8);
    bold.setBold(true);
    setFont(bold);

    GroupBox1 = new QGroupBox(QStringLiteral("Serial Port"), this);
    listPorts = new QComboBox(GroupBox1);
    listPorts->setObjectName(QStringLiteral("listPorts"));
    listPorts->setEditable(false);
    listPorts->setMinimumWidth(120);
    auto *groupLayout = new QVBoxLayout(GroupBox1);
    groupLayout->addWidget(listPorts);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addStretch();

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize); // fixed dialog border

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    OKBtn->setFocus();
}
