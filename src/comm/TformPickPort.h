#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Select Serial Port": the ports that could be opened, one to be picked.
class TformPickPort : public QDialog
{
    Q_OBJECT
public:
    explicit TformPickPort(QWidget *parent = nullptr);

    QGroupBox *GroupBox1;
    QComboBox *listPorts; // entries can be picked, not typed
    QPushButton *OKBtn;
    QPushButton *CancelBtn;
    QGroupBox *GroupBox2;
    QLineEdit *editAddress; // a serial device server: used when no entry is selected
    QLabel *lblAddressError;

    // The entry selected, else the address typed; empty when neither.
    QString ChosenName() const;

private:
    void OKBtnClick();
};
