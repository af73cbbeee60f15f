#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The progress window shown during long operations: one line of text, centred on the
// screen, not modal and not taking input, so the main window stays usable behind it.
// A long operation may add a progress line below the text and a "Cancel" button: only
// that button then takes input.
class TMessageForm : public QWidget
{
    Q_OBJECT
public:
    explicit TMessageForm(QWidget *parent = nullptr);

    QLabel *MessageLabel;
    QLabel *ProgressLabel;     // "line k of n"; hidden while empty
    QPushButton *CancelButton; // hidden unless offered

    // Shows or removes the progress line and the "Cancel" button; Cancelled is emitted
    // when it is clicked.
    void OfferCancel(bool offer);
    void ShowProgress(const QString &text);

signals:
    void Cancelled();

protected:
    void showEvent(QShowEvent *event) override;
};
