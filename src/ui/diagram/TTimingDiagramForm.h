#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QScrollArea;
class QToolButton;
class TChannelConfigs;
struct TSystemMirrors;
class TTimingDiagramView;

// The "Timing Diagram" window: a picture of T0 and every channel's pulse in one period,
// drawn from the program's mirrors. It reads nothing from the instrument and sends
// nothing; Refresh draws the mirrors as they are now. Non-modal and resizable.
class TTimingDiagramForm : public QWidget
{
    Q_OBJECT
public:
    explicit TTimingDiagramForm(QWidget *parent = nullptr);

    // Where the mirrors live and how many channels the model has; read on every Refresh.
    void SetSource(const TSystemMirrors *mirrors, const TChannelConfigs *configs,
                   std::function<int()> channelCount);
    void Refresh();

    // Puts the window beside the owner's frame: to its right when that fits on the owner's
    // screen, else to its left, else as far right as fits; never larger than the screen's
    // available area. Called once, when the window is first made.
    void PlaceBeside(const QWidget *owner);

    // Writes the window's picture: SVG when the name ends in ".svg" (any case), PNG
    // otherwise. False when the file cannot be written.
    bool SavePicture(const QString &fileName);
    // The toolbar's "Save Picture": asks for a file name, then SavePicture.
    void SavePictureClick();

    TTimingDiagramView *View() const { return FView; }
    QToolButton *FitButton() const { return FFitBtn; }
    QToolButton *SavePictureButton() const { return FSaveBtn; }
    QLabel *PointerLabel() const { return FPointerLbl; }
    QLabel *IntervalLabel() const { return FIntervalLbl; }

private:
    void UpdateReadout();

    const TSystemMirrors *FMirrors = nullptr;
    const TChannelConfigs *FConfigs = nullptr;
    std::function<int()> FChannelCount;

    TTimingDiagramView *FView = nullptr;
    QScrollArea *FScroll = nullptr;
    QToolButton *FFitBtn = nullptr;
    QToolButton *FSaveBtn = nullptr;
    QLabel *FPointerLbl = nullptr;
    QLabel *FIntervalLbl = nullptr;
};
