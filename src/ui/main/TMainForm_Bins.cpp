// The storage-bin menu items: one per channel of the connected model, generated once;
// saving to a bin through the queue, and recalling one on the next task tick.

#include "base/NameNumber.h"
#include "protocol/SettingCommands.h"
#include "ui/main/TBinMenu.h"
#include "ui/main/TMainForm.h"

#include <QAction>
#include <QTimer>

namespace {
// Bins 13 and 25 open a new column of the bin menus (1-12, 13-24, 25-36).
bool StartsColumn(int bin)
{
    return bin == 13 || bin == 25;
}

void BinItem(TMainForm *owner, TBinMenu *menu, const char *prefix, int bin,
             void (TMainForm::*handler)(QObject *Sender))
{
    auto *item = new QAction(QString::number(bin), owner);
    item->setObjectName(QLatin1String(prefix) + QString::number(bin));
    menu->AddItem(item, StartsColumn(bin));
    QObject::connect(item, &QAction::triggered, owner,
                     [owner, item, handler] { (owner->*handler)(item); });
}

} // namespace

void TMainForm::CreateStorageParts()
{
    for (QAction *item : {BinSave1})
        connect(item, &QAction::triggered, this, [this, item] { SaveStorageBin(item); });
    for (QAction *item : {BinRestore0, BinRestore1})
        connect(item, &QAction::triggered, this, [this, item] { RecallStorageBin(item); });
    connect(SaveToFile1, &QAction::triggered, this, &TMainForm::SaveToFile1Click);
    connect(RestoreSettingsFromFile1, &QAction::triggered, this,
            &TMainForm::RestoreSettingsFromFile1Click);
}

void TMainForm::UpdateStorageBins()
{
    for (int bin = 2; bin <= qMin(Session->ChannelCount, int(MaxChannels)); ++bin) {
        BinItem(this, SaveToBin, "BinSave", bin, &TMainForm::SaveStorageBin);
        BinItem(this, RestoreFromBin, "BinRestore", bin, &TMainForm::RecallStorageBin);
    }
    StorageBinsCreated = true;
}

void TMainForm::SaveStorageBin(QObject *Sender)
{
    Session->QueuedCommandToPort(SaveBinCommand(NameNumber(Sender)));
}

void TMainForm::RecallStorageBin(QObject *Sender)
{
    // A second click before the tick only changes the bin: one recall, of the last one.
    Session->RequestRecall(NameNumber(Sender));
}
