// The storage-bin menu items: one per channel of the connected model, generated once.

#include "ui/main/TMainForm.h"

#include <QAction>
#include <QMenu>

namespace {
// Bins 13 and 25 start a new menu column, as a bar-separated break (1-12, 13-24, 25-36).
bool StartsColumn(int bin)
{
    return bin == 13 || bin == 25;
}

QAction *BinItem(TMainForm *owner, QMenu *menu, const char *prefix, int bin)
{
    auto *item = new QAction(QString::number(bin), owner);
    item->setObjectName(QLatin1String(prefix) + QString::number(bin));
    item->setProperty(TMainForm::BinColumnBreakProperty, StartsColumn(bin));
    menu->addAction(item);
    return item;
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
