#pragma once

#include <QFileDialog>

// The window's open dialog. Its default suffix is added to a typed name only when the
// name as typed is not an existing file: "rig" opens the file "rig" where there is one
// (as `kt7310 save rig` writes it), and "rig.txt" otherwise. (The plain dialog adds it
// to every name without a dot, and its list selects the name with the suffix as the
// name is typed, so an existing "rig" could not be opened at all.)
class TOpenFileDialog : public QFileDialog
{
    Q_OBJECT
public:
    explicit TOpenFileDialog(QWidget *parent = nullptr);

    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString FSuffix; // the default suffix set by the caller, applied by accept() alone
};
