#include "comm/TformPickPort.h"

#include <QComboBox>
#include "comm/PortName.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
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

    GroupBox2 = new QGroupBox(QStringLiteral("Serial Device Server"), this);
    editAddress = new QLineEdit(GroupBox2);
    editAddress->setObjectName(QStringLiteral("editAddress"));
    editAddress->setPlaceholderText(QStringLiteral("rfc2217://HOST:PORT or tcp://HOST:PORT"));
    editAddress->setToolTip(QStringLiteral("Used when no serial port is selected above"));
    editAddress->setMinimumWidth(260);
    lblAddressError = new QLabel(GroupBox2);
    lblAddressError->setObjectName(QStringLiteral("lblAddressError"));
    lblAddressError->setWordWrap(true);
    lblAddressError->hide();
    auto *serverLayout = new QVBoxLayout(GroupBox2);
    serverLayout->addWidget(editAddress);
    serverLayout->addWidget(lblAddressError);
    // Typing an address takes it instead of a port in the list.
    connect(editAddress, &QLineEdit::textEdited, listPorts,
            [this] { listPorts->setCurrentIndex(-1); });

    auto *choices = new QVBoxLayout;
    choices->addWidget(GroupBox1);
    choices->addWidget(GroupBox2);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(choices);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize); // fixed dialog border

    connect(OKBtn, &QPushButton::clicked, this, &TformPickPort::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    OKBtn->setFocus();
}

QString TformPickPort::ChosenName() const
{
    if (listPorts->currentIndex() >= 0)
        return listPorts->currentText();
    return editAddress->text().trimmed();
}

void TformPickPort::OKBtnClick()
{
    // An address that cannot be used is said at once; the dialog stays.
    PortName name;
    QString why;
    if (listPorts->currentIndex() < 0 && !editAddress->text().trimmed().isEmpty() &&
        !PortName::Parse(editAddress->text(), name, &why)) {
        lblAddressError->setText(why);
        lblAddressError->show();
        editAddress->setFocus();
        return;
    }
    accept();
}
