#include "ui/main/TMessageForm.h"

#include "ui/main/UiFont.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
constexpr int Width = 420;
constexpr int PlainHeight = 90;
constexpr int CancelHeight = 150;
} // namespace

TMessageForm::TMessageForm(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("MessageForm"));
    setWindowTitle(QStringLiteral("Initializing"));
    setWindowModality(Qt::NonModal);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(Width, PlainHeight);

    MessageLabel = new QLabel(QStringLiteral("Loading. Please wait..."), this);
    MessageLabel->setObjectName(QStringLiteral("MessageLabel"));
    MessageLabel->setAlignment(Qt::AlignCenter);
    MessageLabel->setFont(UiFont(29));
    ProgressLabel = new QLabel(this);
    ProgressLabel->setObjectName(QStringLiteral("ProgressLabel"));
    ProgressLabel->setAlignment(Qt::AlignCenter);
    ProgressLabel->setFont(UiFont(15));
    ProgressLabel->hide();
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setFocusPolicy(Qt::NoFocus);
    CancelButton->hide();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(MessageLabel);
    layout->addWidget(ProgressLabel);
    layout->addWidget(CancelButton, 0, Qt::AlignHCenter);
    connect(CancelButton, &QPushButton::clicked, this, &TMessageForm::Cancelled);

    // Shown and closed by the code only: the operator cannot act on it.
    setEnabled(false);
}

void TMessageForm::OfferCancel(bool offer)
{
    setEnabled(offer);
    CancelButton->setVisible(offer);
    ProgressLabel->setVisible(offer && !ProgressLabel->text().isEmpty());
    if (!offer)
        ProgressLabel->clear();
    setFixedSize(Width, offer ? CancelHeight : PlainHeight);
}

void TMessageForm::ShowProgress(const QString &text)
{
    ProgressLabel->setText(text);
    ProgressLabel->setVisible(!text.isEmpty());
}

void TMessageForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}
