#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

// The narrow seam between the instrument-side code and the operator's message boxes.
// The serial component and the transactions never touch a widget: they ask through
// this interface. The program installs the widget implementation at start; tests
// install a scripted one that answers and records every question.
class OperatorDialogs
{
public:
    enum Button
    {
        Ok,
        Abort,
        Retry,
        Yes,
        No,
        Ignore,
        Cancel
    };

    virtual ~OperatorDialogs() = default;

    // A modal warning box with exactly the given buttons; returns the one pressed.
    virtual Button Warning(const QString &text, const QList<Button> &buttons) = 0;
    // A question that comes up unprompted, over whatever the operator was doing: a key
    // meant for something else must not answer it. Keys typed in the first half-second
    // after it appears are dropped, and Return or Space answers with one of the drastic
    // buttons (restart, end the program) only once the operator has given that button
    // the focus. By default the plain warning box.
    virtual Button Question(const QString &text, const QList<Button> &buttons,
                            const QList<Button> &drastic)
    {
        Q_UNUSED(drastic);
        return Warning(text, buttons);
    }
    // A modal information box with an OK button.
    virtual void Information(const QString &text) = 0;
    // The "Select Serial Port" dialog: entries as shown ("COM3"), the index selected
    // when it opens (-1 for none), optional tool tips (the device behind each entry).
    // Returns the chosen index, or -1 for Cancel, a closed dialog or no selection.
    virtual int PickPort(const QStringList &entries, int selected, const QStringList &toolTips) = 0;
    // The same dialog with a field for a serial device server's address, filled with
    // address: the entry chosen, the address typed (when no entry is selected), or an
    // empty text. Without a field of its own it is PickPort's entry.
    virtual QString PickPortName(const QStringList &entries, int selected,
                                 const QStringList &toolTips, const QString &address);
    // Runs a file dialog that the caller has prepared (a QFileDialog with its title,
    // folder, filter, default suffix, open or save mode) modally. Returns the chosen
    // file, or an empty text for Cancel or a closed dialog.
    virtual QString ChooseFile(QObject *fileDialog) = 0;
};

// The dialogs in force. Never null: until the program installs its own, a silent
// implementation answers Abort / No / Cancel and writes the text to standard error.
OperatorDialogs &Dialogs();
// Installs new dialogs (nullptr restores the silent default); returns the previous ones.
OperatorDialogs *SetDialogs(OperatorDialogs *dialogs);
