#include "ui/diagram/TTimingDiagramForm.h"

#include "diagram/TTimingDiagramModel.h"
#include "protocol/TChannelConfigs.h"
#include "protocol/TSystemMirrors.h"
#include "ui/diagram/TTimingDiagramView.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QSvgGenerator>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

TTimingDiagramForm::TTimingDiagramForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TimingDiagramForm"));
    setWindowTitle(QStringLiteral("Timing Diagram"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);

    auto *bar = new QHBoxLayout;
    FFitBtn = new QToolButton(this);
    FFitBtn->setObjectName(QStringLiteral("FitBtn"));
    FFitBtn->setText(QStringLiteral("Fit"));
    FFitBtn->setToolTip(QStringLiteral("Show the whole period (Home)"));
    FSaveBtn = new QToolButton(this);
    FSaveBtn->setObjectName(QStringLiteral("SavePictureBtn"));
    FSaveBtn->setText(QStringLiteral("Save Picture"));
    FSaveBtn->setToolTip(QStringLiteral("Save the diagram as a PNG or SVG file"));
    auto *hint = new QLabel(
        QStringLiteral("Wheel: zoom   Drag: pan   Click twice: measure   Esc: clear"), this);
    hint->setObjectName(QStringLiteral("HintLbl"));
    hint->setEnabled(false);
    bar->addWidget(FFitBtn);
    bar->addWidget(FSaveBtn);
    bar->addSpacing(12);
    bar->addWidget(hint);
    bar->addStretch(1);
    layout->addLayout(bar);

    FView = new TTimingDiagramView;
    FScroll = new QScrollArea(this);
    FScroll->setObjectName(QStringLiteral("DiagramScroll"));
    FScroll->setWidgetResizable(true);
    FScroll->setFrameShape(QFrame::StyledPanel);
    FScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FScroll->setWidget(FView);
    layout->addWidget(FScroll, 1);

    auto *status = new QHBoxLayout;
    FPointerLbl = new QLabel(this);
    FPointerLbl->setObjectName(QStringLiteral("PointerLbl"));
    FPointerLbl->setMinimumWidth(180);
    FIntervalLbl = new QLabel(this);
    FIntervalLbl->setObjectName(QStringLiteral("IntervalLbl"));
    FIntervalLbl->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status->addWidget(FPointerLbl);
    status->addWidget(FIntervalLbl, 1);
    layout->addLayout(status);

    connect(FFitBtn, &QToolButton::clicked, FView, &TTimingDiagramView::Fit);
    connect(FSaveBtn, &QToolButton::clicked, this, &TTimingDiagramForm::SavePictureClick);
    connect(FView, &TTimingDiagramView::ReadoutChanged, this, &TTimingDiagramForm::UpdateReadout);

    resize(1100, 760);
    UpdateReadout();
}

void TTimingDiagramForm::SetSource(const TSystemMirrors *mirrors, const TChannelConfigs *configs,
                                   std::function<int()> channelCount)
{
    FMirrors = mirrors;
    FConfigs = configs;
    FChannelCount = std::move(channelCount);
    Refresh();
}

void TTimingDiagramForm::Refresh()
{
    if (!FMirrors || !FConfigs)
        return;
    FView->SetScene(BuildScene(*FMirrors, *FConfigs, FChannelCount ? FChannelCount() : 0));
}

void TTimingDiagramForm::PlaceBeside(const QWidget *owner)
{
    const QRect ownerFrame = owner->frameGeometry();
    const QScreen *screen = QGuiApplication::screenAt(ownerFrame.center());
    if (!screen)
        screen = owner->screen();
    if (!screen)
        return;
    const QRect avail = screen->availableGeometry();

    // This window is not shown yet, so its frame is unknown: take the owner's decoration,
    // which the window manager gives this window too.
    const QRect ownerClient = owner->geometry();
    const QMargins frame(
        ownerClient.left() - ownerFrame.left(), ownerClient.top() - ownerFrame.top(),
        ownerFrame.right() - ownerClient.right(), ownerFrame.bottom() - ownerClient.bottom());
    const int frameW = std::min(width() + frame.left() + frame.right(), avail.width());
    const int frameH = std::min(height() + frame.top() + frame.bottom(), avail.height());
    resize(std::max(frameW - frame.left() - frame.right(), minimumWidth()),
           std::max(frameH - frame.top() - frame.bottom(), minimumHeight()));

    int x;
    if (ownerFrame.right() + frameW <= avail.right())
        x = ownerFrame.right() + 1;
    else if (ownerFrame.left() - frameW >= avail.left())
        x = ownerFrame.left() - frameW;
    else
        x = avail.right() + 1 - frameW;
    const int y = std::clamp(ownerFrame.top(), avail.top(), avail.bottom() + 1 - frameH);
    move(x, y); // a window's position is that of its frame
}

void TTimingDiagramForm::UpdateReadout()
{
    FPointerLbl->setText(FView->PointerText());
    FIntervalLbl->setText(FView->IntervalText());
}

bool TTimingDiagramForm::SavePicture(const QString &fileName)
{
    if (fileName.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setFileName(fileName);
        // The generator writes the size in millimetres; at 90 dots per inch (the SVG
        // readers' own assumption) they come back as the window's pixels.
        svg.setResolution(90);
        svg.setSize(size());
        svg.setViewBox(QRect(QPoint(0, 0), size()));
        svg.setTitle(windowTitle());
        QPainter painter;
        if (!painter.begin(&svg))
            return false;
        render(&painter);
        return painter.end();
    }
    return grab().save(fileName, "PNG");
}

void TTimingDiagramForm::SavePictureClick()
{
    QString selected;
    QString fileName = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save Picture"), QStringLiteral("TimingDiagram.png"),
        QStringLiteral("PNG image (*.png);;SVG drawing (*.svg)"), &selected);
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += selected.contains(QLatin1String("svg")) ? QStringLiteral(".svg")
                                                            : QStringLiteral(".png");
    if (!SavePicture(fileName))
        QMessageBox::warning(this, QStringLiteral("Save Picture"),
                             QStringLiteral("Cannot write ") + fileName);
}
