#include "classicscrollbar.h"

#include "convert/sampling.h"

#include <QResizeEvent>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

namespace rasterkit {

ClassicScrollBar::ClassicScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent)
    , m_bar(new QScrollBar(orientation, this))
{
    // Small and large change are both one unit.
    m_bar->setSingleStep(1);
    m_bar->setPageStep(1);
    m_bar->setRange(0, 0);
    // A thumb drag reports thumbDragged while it lasts; the inner value is
    // only committed, and valueChanged sent, when the thumb is let go.
    m_bar->setTracking(false);
    // A tab stop whose focus, clicks and keys are the inner bar's. The bar
    // itself takes the focus too, so that it has a place in the tab order
    // (Qt leaves a widget that takes no focus out of setTabOrder).
    m_bar->setFocusPolicy(Qt::StrongFocus);
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_bar);
    connect(m_bar, &QScrollBar::valueChanged, this, &ClassicScrollBar::innerValueChanged);
    connect(m_bar, &QScrollBar::sliderMoved, this, &ClassicScrollBar::innerSliderMoved);
}

void ClassicScrollBar::setValue(int value)
{
    value = std::clamp<int>(toInt16(value), std::min(m_min, m_max), std::max(m_min, m_max));
    if (value == m_value)
        return;
    m_value = value;
    {
        const QSignalBlocker blocker(m_bar);
        m_bar->setValue(inverted() ? -value : value);
    }
    emit valueChanged(m_value);
}

void ClassicScrollBar::setMin(int min)
{
    applyRange(toInt16(min), m_max);
}

void ClassicScrollBar::setMax(int max)
{
    applyRange(m_min, toInt16(max));
}

void ClassicScrollBar::applyRange(int min, int max)
{
    m_min = min;
    m_max = max;
    const int clamped = std::clamp(m_value, std::min(min, max), std::max(min, max));
    const bool changed = clamped != m_value;
    m_value = clamped;
    {
        const QSignalBlocker blocker(m_bar);
        if (inverted())
            m_bar->setRange(-min, -max);
        else
            m_bar->setRange(min, max);
        m_bar->setValue(inverted() ? -m_value : m_value);
    }
    if (changed)
        emit valueChanged(m_value);
}

void ClassicScrollBar::innerValueChanged(int inner)
{
    // The inner bar reports only what the user did (setValue and the range
    // changes block it). At the end of a thumb drag m_value already follows
    // the thumb, but the drag's new value is reported here all the same.
    m_value = classicFromInner(inner);
    emit valueChanged(m_value);
}

void ClassicScrollBar::innerSliderMoved(int inner)
{
    const int value = classicFromInner(inner);
    if (value == m_value)
        return;
    m_value = value;
    emit thumbDragged(m_value);
}

void ClassicScrollBar::resizeEvent(QResizeEvent* event)
{
    m_bar->setGeometry(0, 0, event->size().width(), event->size().height());
    QWidget::resizeEvent(event);
}

void ClassicScrollBar::releaseThumb()
{
    if (m_bar->isSliderDown())
        m_bar->setSliderDown(false);
}

} // namespace rasterkit
