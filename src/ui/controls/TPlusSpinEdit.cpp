#include "ui/controls/TPlusSpinEdit.h"

#include "base/ErrorReport.h"
#include "ui/controls/TSpinArrowButton.h"

#include <QFocusEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>

namespace {
bool IsArrowKey(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}

bool IsCtrlZero(const QKeyEvent *e)
{
    return e->key() == Qt::Key_0 && (e->modifiers() & Qt::ControlModifier);
}

QString Drawn(const QString &text)
{
    QString t = text;
    t.replace(u'_', u'0'); // a placeholder shows as a leading zero
    return t;
}
} // namespace

TPlusSpinEdit::TPlusSpinEdit(QWidget *parent) : QWidget(parent)
{
    // Tab reaches the control even when its own Enabled is off; a click focuses it only
    // when it is enabled, which mousePressEvent decides.
    setFocusPolicy(Qt::TabFocus);
    // Every pixel is painted by paintEvent: no background erase, so no flicker on repeat.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    fUpButton = new TSpinArrowButton(TSpinArrowButton::sdUp, this);
    fDownButton = new TSpinArrowButton(TSpinArrowButton::sdDown, this);
    fUpButton->setObjectName(QStringLiteral("fUpButton"));
    fDownButton->setObjectName(QStringLiteral("fDownButton"));
    fUpButton->installEventFilter(this);
    fDownButton->installEventFilter(this);
    fTimer = new QTimer(this);
    fTimer->setObjectName(QStringLiteral("fTimer"));
    connect(fTimer, &QTimer::timeout, this, &TPlusSpinEdit::TimerTick);
    fFlashTimer = new QTimer(this);
    fFlashTimer->setObjectName(QStringLiteral("fFlashTimer"));
    fFlashTimer->setSingleShot(true);
    fFlashTimer->setInterval(FlashDuration);
    connect(fFlashTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));

    fModel.OnReportChange = [this] { NotifyChange(); };
    fModel.OnStepChanged = [this] {
        if (fOnSetIncrement)
            fOnSetIncrement(this);
    };
    fModel.OnFocusMoved = [this] { DisplayFieldsInitialized = false; };
    fModel.OnRepaintNeeded = [this] { update(); };
    fModel.OnSizingNeeded = [this] { Sizing(); };

    const int fw = FrameWidth();
    setContentsMargins(fw, fw, fw, fw);
    const int fontHeight = QFontInfo(font()).pixelSize();
    resize(8 * fontHeight, height());
    fSizeHint = size();
    MeasureFont();
    fModel.FormatValueText();
    fModel.UpdateFocusDigit();
}

TPlusSpinEdit::~TPlusSpinEdit()
{
    // The model's hooks point back at this widget; silence them before the members go.
    fModel.OnReportChange = nullptr;
    fModel.OnStepChanged = nullptr;
    fModel.OnFocusMoved = nullptr;
    fModel.OnRepaintNeeded = nullptr;
    fModel.OnSizingNeeded = nullptr;
}

// ---- properties ----

double TPlusSpinEdit::Value() const
{
    return fModel.Value();
}
void TPlusSpinEdit::AssignValue(double v)
{
    fModel.AssignValue(v);
}
void TPlusSpinEdit::SetValue(double v)
{
    fModel.SetValue(v);
}
int TPlusSpinEdit::IntValue() const
{
    return fModel.IntValue();
}
void TPlusSpinEdit::SetIntValue(int v)
{
    fModel.SetIntValue(v);
}
QString TPlusSpinEdit::Text() const
{
    return fModel.Text();
}
double TPlusSpinEdit::MaxValue() const
{
    return fModel.MaxValue();
}
void TPlusSpinEdit::SetMaxValue(double x)
{
    fModel.SetMaxValue(x);
}
double TPlusSpinEdit::MinValue() const
{
    return fModel.MinValue();
}
void TPlusSpinEdit::SetMinValue(double x)
{
    fModel.SetMinValue(x);
}
double TPlusSpinEdit::Increment() const
{
    return fModel.Increment();
}
void TPlusSpinEdit::SetIncrement(double x)
{
    fModel.SetIncrement(x);
}
int TPlusSpinEdit::IncExponent() const
{
    return fModel.IncExponent();
}
void TPlusSpinEdit::SetIncExponent(int k)
{
    fModel.SetIncExponent(k);
}
int TPlusSpinEdit::Decimals() const
{
    return fModel.Decimals();
}
void TPlusSpinEdit::SetDecimals(int n)
{
    fModel.SetDecimals(n);
}
int TPlusSpinEdit::LeadingDigits() const
{
    return fModel.LeadingDigits();
}
void TPlusSpinEdit::SetLeadingDigits(int n)
{
    fModel.SetLeadingDigits(n);
}
int TPlusSpinEdit::Base() const
{
    return fModel.Base();
}
void TPlusSpinEdit::SetBase(int b)
{
    fModel.SetBase(b);
}
QChar TPlusSpinEdit::ThousandSeparator() const
{
    return fModel.ThousandSeparator();
}
void TPlusSpinEdit::SetThousandSeparator(QChar ch)
{
    fModel.SetThousandSeparator(ch);
}
bool TPlusSpinEdit::AutoSize() const
{
    return fModel.AutoSize();
}
bool TPlusSpinEdit::TrackSpin() const
{
    return fModel.TrackSpin();
}
void TPlusSpinEdit::SetTrackSpin(bool on)
{
    fModel.SetTrackSpin(on);
}
bool TPlusSpinEdit::EditorEnabled() const
{
    return fEditorEnabled;
}
void TPlusSpinEdit::SetEditorEnabled(bool on)
{
    fEditorEnabled = on;
}
bool TPlusSpinEdit::EnterRequired() const
{
    return fEnterReq;
}
void TPlusSpinEdit::SetEnterRequired(bool on)
{
    fEnterReq = on;
}
TPlusSpinEdit::TBorderStyle TPlusSpinEdit::BorderStyle() const
{
    return fBorderStyle;
}
bool TPlusSpinEdit::Enabled() const
{
    return fEnabled;
}
void TPlusSpinEdit::RightZero()
{
    fModel.RightZero();
}
const TNotifyEvent &TPlusSpinEdit::OnChange() const
{
    return fOnChange;
}
void TPlusSpinEdit::SetOnChange(TNotifyEvent handler)
{
    fOnChange = std::move(handler);
}
const TNotifyEvent &TPlusSpinEdit::OnSetIncrement() const
{
    return fOnSetIncrement;
}
void TPlusSpinEdit::SetOnSetIncrement(TNotifyEvent handler)
{
    fOnSetIncrement = std::move(handler);
}
QAbstractButton *TPlusSpinEdit::UpButton() const
{
    return fUpButton;
}
QAbstractButton *TPlusSpinEdit::DownButton() const
{
    return fDownButton;
}

void TPlusSpinEdit::SetAutoSize(bool on)
{
    fModel.SetAutoSizeFlag(on);
    if (on)
        Sizing();
}

void TPlusSpinEdit::SetBorderStyle(TBorderStyle style)
{
    if (style == fBorderStyle)
        return;
    fBorderStyle = style;
    const int fw = FrameWidth();
    setContentsMargins(fw, fw, fw, fw);
    LayoutButtons();
    update();
}

void TPlusSpinEdit::SetEnabled(bool on)
{
    fEnabled = on;
    if (!on)
        EndSpin(); // a spin cut short by disabling still reports what it changed
    LayoutButtons();
    update();
}

void TPlusSpinEdit::NotifyChange()
{
    if (fOnChange)
        fOnChange(this);
}

QSize TPlusSpinEdit::sizeHint() const
{
    return fSizeHint;
}

QSize TPlusSpinEdit::minimumSizeHint() const
{
    return QSize(ButtonWidth() + 2 * FrameWidth() + fDigitWidth, fSizeHint.height());
}

// ---- geometry ----

int TPlusSpinEdit::FrameWidth() const
{
    return fBorderStyle == bsSingle ? 1 : 0;
}

int TPlusSpinEdit::ButtonWidth() const
{
    return std::max(fDigitWidth + fDigitWidth / 2 + 8, 10);
}

void TPlusSpinEdit::MeasureFont()
{
    const QFontMetrics fm(font());
    fDigitHeight = fm.height();
    fDigitWidth = fm.horizontalAdvance(u'0');
    if (fModel.AutoSize())
        Sizing();
    else
        LayoutButtons();
}

void TPlusSpinEdit::Sizing()
{
    if (fDigitHeight == 0)
        return;
    int h = fDigitHeight + fDigitHeight / 3;
    if (h % 2 == 0)
        ++h;
    const int w = fModel.Limited() ? FittingWidth() : width();
    fSizeHint = QSize(w, h);
    updateGeometry();
    resize(w, h);
    LayoutButtons();
}

int TPlusSpinEdit::FittingWidth() const
{
    const int base = fModel.Base();
    const double widest = TPlusSpinValue::DigitCount(base, fModel.MaxValue()) >
                                  TPlusSpinValue::DigitCount(base, fModel.MinValue())
                              ? fModel.MaxValue()
                              : fModel.MinValue();
    const QFontMetrics fm(font());
    // half a digit of margin on each side of the text, the arrows and the border
    return fm.horizontalAdvance(fModel.FormatText(widest)) + fDigitWidth + ButtonWidth() +
           2 * FrameWidth();
}

void TPlusSpinEdit::LayoutButtons()
{
    if (!fUpButton || fDigitWidth == 0)
        return;
    const QRect cr = contentsRect();
    const int w = ButtonWidth();
    const int ch = cr.height();
    const int x = cr.right() + 1 - w;
    fUpButton->setGeometry(x, cr.top(), w, ch / 2);
    fDownButton->setGeometry(x, cr.top() + ch / 2, w, ch - ch / 2);
    fUpButton->SetGlyph(w, fEnabled);
    fDownButton->SetGlyph(w, fEnabled);
    fCapXStop = x - fDigitWidth / 2;
    fCapYStart = cr.top() + (ch - fDigitHeight) / 2;
    fModel.UpdateFocusDigit();
    update();
}

QRect TPlusSpinEdit::FocusRect() const
{
    EnsureGeometry();
    return fFocusRect;
}

int TPlusSpinEdit::CapXStart() const
{
    EnsureGeometry();
    return fCapXStart;
}

void TPlusSpinEdit::EnsureGeometry() const
{
    if (!DisplayFieldsInitialized)
        UpdateGeometry();
}

void TPlusSpinEdit::UpdateGeometry() const
{
    if (fDigitWidth == 0)
        return;
    const QFontMetrics fm(font());
    const QString t = Drawn(fModel.Text());
    fCapXStart = fCapXStop - fm.horizontalAdvance(t);
    if (t.isEmpty()) {
        fFocusRect = QRect();
        DisplayFieldsInitialized = true;
        return;
    }
    const int idx = std::clamp(fModel.FocusIndex(), 1, int(t.size()));
    const int right = fCapXStart + fm.horizontalAdvance(t.left(idx)) - 1;
    const int left = right - fm.horizontalAdvance(t[idx - 1]) + 1;
    fFocusRect = QRect(QPoint(left, fCapYStart), QPoint(right, fCapYStart + fDigitHeight - 1));
    DisplayFieldsInitialized = true;
}

void TPlusSpinEdit::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LayoutButtons();
}

void TPlusSpinEdit::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        MeasureFont();
    else if (event->type() == QEvent::PaletteChange)
        update();
}

// ---- painting ----

void TPlusSpinEdit::paintEvent(QPaintEvent *)
{
    EnsureGeometry();
    QPainter p(this);
    if (fBorderStyle == bsSingle) {
        p.setPen(palette().color(QPalette::Dark));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    const QRect cr = contentsRect();
    const QRect area(cr.left(), cr.top(), fUpButton->x() - cr.left(), cr.height());
    p.setClipRect(area);
    p.fillRect(area, Flashing() ? RefusedColor() : palette().color(QPalette::Base));

    const QFontMetrics fm(font());
    const int baseline = fCapYStart + fm.ascent();
    const QString t = Drawn(fModel.Text());
    p.setFont(font());
    p.setPen(fEnabled ? palette().color(QPalette::Text) : QColor(128, 128, 128));
    p.drawText(QPoint(fCapXStart, baseline), t);

    const int idx = fModel.FocusIndex();
    const bool inText = idx >= 1 && idx <= t.size();
    if (hasFocus()) {
        p.fillRect(fFocusRect, QColor(0, 0, 255));
        if (inText) {
            p.setPen(Qt::white);
            p.drawText(QPoint(fFocusRect.left(), baseline), QString(t[idx - 1]));
        }
        if (!fModel.Spinning()) {
            // the caret: a 2-pixel bar under the focused digit, inverting what it covers
            p.setCompositionMode(QPainter::RasterOp_NotDestination);
            p.fillRect(QRect(fFocusRect.left(), fFocusRect.bottom(), fFocusRect.width() - 1, 2),
                       Qt::black);
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
    } else if (inText) {
        p.setPen(Qt::black);
        p.drawLine(fFocusRect.left(), fFocusRect.bottom(), fFocusRect.right() - 1,
                   fFocusRect.bottom());
    }
}

// ---- focus ----

void TPlusSpinEdit::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void TPlusSpinEdit::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    EndSpin(); // the key or button release that would end the spin goes elsewhere now
    update();
}

// ---- keyboard ----

int TPlusSpinEdit::TypedDigit(const QKeyEvent *e) const
{
    if (!fEditorEnabled || e->text().size() != 1 ||
        (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return -1;
    const int d = TPlusSpinValue::DigitValue(e->text()[0]);
    return d < fModel.Base() ? d : -1;
}

bool TPlusSpinEdit::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        // The arrow keys, and Ctrl+0 and the base's digits while they do something, belong
        // to the control, not to menus, dialogs or tab pages around it. Every other key (a
        // letter that is no digit of the base) stays free for their shortcuts.
        auto *ke = static_cast<QKeyEvent *>(event);
        if (IsArrowKey(ke->key()) || (fEnabled && (IsCtrlZero(ke) || TypedDigit(ke) >= 0))) {
            ke->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void TPlusSpinEdit::keyPressEvent(QKeyEvent *e)
{
    if (!fEnabled) {
        if (IsArrowKey(e->key()))
            e->accept(); // inert, but the arrows still do not move the focus elsewhere
        else
            e->ignore();
        return;
    }
    const int E = fModel.IncExponent();
    switch (e->key()) {
    case Qt::Key_Left:
        if (FocusRect().left() - contentsRect().left() > fDigitWidth - 2)
            fModel.SetIncExponent(fModel.FocusExponent() + 1);
        e->accept();
        return;
    case Qt::Key_Right:
        if (E > -fModel.Decimals())
            fModel.SetIncExponent(E - 1);
        e->accept();
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!fModel.Spinning()) {
            fModel.BeginSpin();
            update(); // hides the caret
        }
        if (e->key() == Qt::Key_Up)
            StepUp(this);
        else
            StepDown(this);
        e->accept();
        return;
    default:
        break;
    }
    if (IsCtrlZero(e)) {
        fModel.RightZero();
        e->accept();
        return;
    }
    if (TypedDigit(e) >= 0) {
        const std::optional<double> v = fModel.TypedValue(e->text()[0]);
        if (!v)
            ReportError(QStringLiteral("Not a valid number"));
        else if (!fModel.ApplyTyped(*v))
            Flash(); // the digit would leave the limits: refused, the focus stays on it
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TPlusSpinEdit::keyReleaseEvent(QKeyEvent *e)
{
    if (!fEnabled)
        return;
    // A held key repeats as press/release pairs on some systems; only the real release
    // ends the spin.
    if (e->isAutoRepeat()) {
        QWidget::keyReleaseEvent(e);
        return;
    }
    if (fModel.Spinning()) {
        fModel.EndSpin();
        update(); // shows the caret again
    }
    QWidget::keyReleaseEvent(e);
}

// ---- mouse ----

void TPlusSpinEdit::mousePressEvent(QMouseEvent *e)
{
    e->accept();
    if (!fEnabled)
        return;
    if (e->button() == Qt::LeftButton)
        fModel.SetIncExponent(PlaceAt(int(e->position().x())));
    if (hasFocus())
        update();
    else
        setFocus(Qt::MouseFocusReason);
}

int TPlusSpinEdit::PlaceAt(int x) const
{
    EnsureGeometry();
    const QFontMetrics fm(font());
    const QChar sep = fModel.InternalThousandSeparator();
    QString t = Drawn(fModel.Text());
    t.chop(1);
    int E = -fModel.Decimals();
    // t is the text left of the candidate character; move the candidate left until the
    // point lies in it, skipping the point and separators.
    while (!t.isEmpty() && fm.horizontalAdvance(t) > x - fCapXStart) {
        ++E;
        t.chop(1);
        if (!t.isEmpty() && (E == 0 ? fModel.Decimals() > 0 : !sep.isNull() && t.back() == sep))
            t.chop(1);
    }
    if (x < fCapXStart)
        ++E;
    return E;
}

void TPlusSpinEdit::mouseDoubleClickEvent(QMouseEvent *e)
{
    e->accept();
    if (!fEnabled)
        return;
    fModel.RightZero(); // the first click of the pair already focused the digit
}

void TPlusSpinEdit::wheelEvent(QWheelEvent *e)
{
    // Only the field being worked in takes the wheel; over any other the wheel passes on
    // to whatever holds it (a scrolling page), as for the lists.
    const int delta = e->angleDelta().y();
    if (!hasFocus() || delta == 0) {
        e->ignore();
        return;
    }
    e->accept();
    if (!fEnabled)
        return;
    // Over the text the wheel works the digit under the pointer; over the arrows the
    // focused one.
    const int x = int(e->position().x());
    if (x < fUpButton->x())
        fModel.SetIncExponent(PlaceAt(x));
    // One step per notch, whatever the system's lines per notch; a high-resolution wheel
    // gathers its small deltas to a notch, and a turn the other way starts afresh.
    if ((fWheelDelta > 0 && delta < 0) || (fWheelDelta < 0 && delta > 0))
        fWheelDelta = 0;
    fWheelDelta += delta;
    while (fWheelDelta >= WheelNotch) {
        fWheelDelta -= WheelNotch;
        fModel.Step(+1);
    }
    while (fWheelDelta <= -WheelNotch) {
        fWheelDelta += WheelNotch;
        fModel.Step(-1);
    }
}

// ---- refused digits ----

QColor TPlusSpinEdit::RefusedColor()
{
    return QColor(255, 176, 176);
}

bool TPlusSpinEdit::Flashing() const
{
    return fFlashTimer->isActive();
}

void TPlusSpinEdit::Flash()
{
    fFlashTimer->start(); // restarted by a further refusal
    update();
}

// ---- arrow buttons and auto-repeat ----

bool TPlusSpinEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != fUpButton && watched != fDownButton)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (!fEnabled)
            return true; // inert: the button does not even show itself pressed
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            ButtonMouseDown(static_cast<TSpinArrowButton *>(watched));
        return false;
    case QEvent::MouseButtonRelease:
        if (!fEnabled)
            return true;
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            ButtonMouseUp();
        return false;
    default:
        return false;
    }
}

void TPlusSpinEdit::ButtonMouseDown(TSpinArrowButton *button)
{
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    fModel.BeginSpin();
    fTickStep = button == fUpButton ? &TPlusSpinEdit::StepUp : &TPlusSpinEdit::StepDown;
    fTimer->setInterval(SpinStartDelay);
    fTimer->start();
    (this->*fTickStep)(button);
    update();
}

void TPlusSpinEdit::ButtonMouseUp()
{
    EndSpin();
}

void TPlusSpinEdit::EndSpin()
{
    fTimer->stop();
    if (fModel.Spinning()) {
        fModel.EndSpin();
        update();
    }
}

void TPlusSpinEdit::TimerTick()
{
    if (fTickStep)
        (this->*fTickStep)(fTimer);
}

void TPlusSpinEdit::StepUp(QObject *sender)
{
    if (!fEnabled)
        return;
    if (sender == fTimer) {
        fTimer->setInterval(SpinRepeatInterval);
        if (!fUpButton->isDown())
            return; // the pointer is off the held button: the spin pauses
    }
    fModel.Step(+1);
}

void TPlusSpinEdit::StepDown(QObject *sender)
{
    if (!fEnabled)
        return;
    if (sender == fTimer) {
        fTimer->setInterval(SpinRepeatInterval);
        if (!fDownButton->isDown())
            return;
    }
    fModel.Step(-1);
}
