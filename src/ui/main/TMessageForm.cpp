#include "ui/main/TMessageForm.h"

#include "ui/main/UiFont.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

TMessageForm::TMessageForm(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("MessageForm"));
    setWindowTitle(QStringLiteral("Initializing"));
    setWindowModality(Qt::NonModal);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(420, 90);

    MessageLabel = new QLabel(QStringLiteral("Loading. Please wait..."), this);
    MessageLabel->setObjectName(QStringLiteral("MessageLabel"));
    MessageLabel->setAlignment(Qt::AlignCenter);
    MessageLabel->setFont(UiFont(29));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(MessageLabel);

    // Shown and closed by the code only: the operator cannot act on it.
    setEnabled(false);
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
