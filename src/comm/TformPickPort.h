#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
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
};
