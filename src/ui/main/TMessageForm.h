#pragma once

#include <QWidget>

class QLabel;

// The progress window shown during long operations: one line of text, centred on the
// screen, not modal and not taking input, so the main window stays usable behind it.
class TMessageForm : public QWidget
{
    Q_OBJECT
public:
    explicit TMessageForm(QWidget *parent = nullptr);

    QLabel *MessageLabel;

protected:
    void showEvent(QShowEvent *event) override;
};
