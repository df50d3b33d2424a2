#include "progressbar.h"

#include "convert/sampling.h"

#include <QProgressBar>
#include <QWidget>

#include <algorithm>

namespace rasterkit {

ProgressBar::~ProgressBar()
{
    // QPointer: the parent may already have taken the widget with it.
    delete m_widget.data();
}

void ProgressBar::Create(QWidget* parent, int Top, int Left, int Height, int Width, int MinPos, int MaxPos,
    int StepRange)
{
    // An earlier bar is forgotten, not destroyed: it stays a child of its own
    // parent, which deletes it in the end. A bar needs a parent to live in;
    // without one no bar is made and every operation stays harmless.
    m_widget = parent ? new QProgressBar(parent) : nullptr;
    m_minimum = toInt16(MinPos);
    m_maximum = toInt16(MaxPos);
    m_step = StepRange;
    m_redraw.reset();
    if (!m_widget)
        return;

    QProgressBar* bar = m_widget;
    bar->setTextVisible(false);
    bar->setGeometry(Left, Top, std::max(Width, 0), std::max(Height, 0));
    bar->setRange(m_minimum, m_maximum);
    // A new bar stands at 0, or at the nearer end of a range without 0.
    bar->setValue(std::clamp(0, bar->minimum(), bar->maximum()));
    bar->show();
}

void ProgressBar::StepIt()
{
    if (!m_widget)
        return;
    const qint64 minimum = m_widget->minimum();
    const qint64 maximum = m_widget->maximum();
    if (minimum == maximum)
        return;
    // A position stepped past one end comes round from the other, keeping
    // the overshoot modulo the span (the classic progress control's rule).
    const qint64 span = maximum - minimum;
    qint64 position = qint64(m_widget->value()) + m_step;
    if (position > maximum)
        position = (position - minimum) % span + minimum;
    if (position < minimum)
        position = (position - minimum) % span + maximum;
    setValue(static_cast<int>(position));
}

void ProgressBar::setValue(int value)
{
    if (!m_widget)
        return;
    QProgressBar* bar = m_widget;
    // QProgressBar ignores positions outside its range; the bar takes the
    // nearer end instead.
    const int position = std::clamp(value, bar->minimum(), bar->maximum());
    if (position == bar->value())
        return;

    if (!bar->updatesEnabled()) {
        // A redraw is already due (or the window holds its updates back):
        // the new position will be shown with it.
        bar->setValue(position);
        return;
    }

    // QProgressBar repaints synchronously whenever a change of position
    // shows, so the screen is redrawn at display rate instead.
    if (m_redraw.redrawNow(bar, [bar] { bar->setUpdatesEnabled(true); })) {
        bar->setValue(position); // redraws at once
        return;
    }
    // Redrawn too recently: take the position without drawing. Re-enabling
    // the updates when the frame is over schedules the redraw.
    bar->setUpdatesEnabled(false);
    bar->setValue(position);
}

int ProgressBar::Value() const
{
    return m_widget ? m_widget->value() : 0;
}

int ProgressBar::Max() const
{
    return m_widget ? m_widget->maximum() : 0;
}

int ProgressBar::Min() const
{
    return m_widget ? m_widget->minimum() : 0;
}

void ProgressBar::setMax(int value)
{
    m_maximum = toInt16(value);
    applyRange();
}

void ProgressBar::setMin(int value)
{
    m_minimum = toInt16(value);
    applyRange();
}

void ProgressBar::setStep(int value)
{
    m_step = value;
}

int ProgressBar::Step() const
{
    return m_step;
}

QProgressBar* ProgressBar::widget() const
{
    return m_widget;
}

qint32 ProgressBar::PackRange(qint16 low, qint16 high)
{
    const quint32 packed = (quint32(quint16(high)) << 16) | quint16(low);
    return static_cast<qint32>(packed);
}

void ProgressBar::applyRange()
{
    if (!m_widget)
        return;
    // QProgressBar drops a position that falls outside a new range; the bar
    // keeps it, pulled in to the nearer end.
    const int position = m_widget->value();
    m_widget->setRange(m_minimum, m_maximum);
    setValue(position);
}

} // namespace rasterkit
