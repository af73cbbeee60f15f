// The storage-bin menu items: one per channel of the connected model, generated once.

#include "ui/main/TBinMenu.h"
#include "ui/main/TMainForm.h"

#include <QAction>

namespace {
// Bins 13 and 25 open a new column of the bin menus (1-12, 13-24, 25-36).
bool StartsColumn(int bin)
{
    return bin == 13 || bin == 25;
}

void BinItem(TMainForm *owner, TBinMenu *menu, const char *prefix, int bin)
{
    auto *item = new QAction(QString::number(bin), owner);
    item->setObjectName(QLatin1String(prefix) + QString::number(bin));
    menu->AddItem(item, StartsColumn(bin));
}
} // namespace

void TMainForm::UpdateStorageBins()
{
    for (int bin = 2; bin <= qMin(ChannelCount, int(MaxChannels)); ++bin) {
        BinItem(this, SaveToBin, "BinSave", bin);
        BinItem(this, RestoreFromBin, "BinRestore", bin);
    }
    StorageBinsCreated = true;
}
