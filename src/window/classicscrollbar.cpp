#include "classicscrollbar.h"

#include "convert/sampling.h"

#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyleOptionSlider>

#include <algorithm>

namespace rasterkit {

namespace {

// The inner bar: Qt's scroll bar, with the keys and the focus of a classic one.
class KeyboardScrollBar : public QScrollBar {
public:
    KeyboardScrollBar(Qt::Orientation orientation, QWidget* parent)
        : QScrollBar(orientation, parent)
    {
    }

protected:
    // The keys move the bar as its parts do when clicked, in either
    // orientation: Up and Left as the top (left) arrow, Down and Right as the
    // bottom (right) arrow, Page Up and Page Down as the track above (left
    // of) and below (right of) the thumb, Home and End to the top (left) and
    // bottom (right) end, whatever modifiers are held. (Qt's own scroll bar
    // turns Left and Right round.)
    void keyPressEvent(QKeyEvent* event) override
    {
        SliderAction action = SliderNoAction;
        switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Left:
            action = SliderSingleStepSub;
            break;
        case Qt::Key_Down:
        case Qt::Key_Right:
            action = SliderSingleStepAdd;
            break;
        case Qt::Key_PageUp:
            action = SliderPageStepSub;
            break;
        case Qt::Key_PageDown:
            action = SliderPageStepAdd;
            break;
        case Qt::Key_Home:
            action = SliderToMinimum;
            break;
        case Qt::Key_End:
            action = SliderToMaximum;
            break;
        default:
            break;
        }
        if (action == SliderNoAction) {
            QScrollBar::keyPressEvent(event);
            return;
        }
        triggerAction(action);
        event->accept();
    }

    // With the focus the thumb is highlighted with the style's focus
    // rectangle; a bar too short to show a thumb (a spinner) is framed whole.
    void paintEvent(QPaintEvent* event) override
    {
        QScrollBar::paintEvent(event);
        if (!hasFocus())
            return;
        QStyleOptionSlider slider;
        initStyleOption(&slider);
        const QRect thumb = style()->subControlRect(QStyle::CC_ScrollBar, &slider, QStyle::SC_ScrollBarSlider, this);
        constexpr int SmallestFramedThumb = 4;
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = std::min(thumb.width(), thumb.height()) >= SmallestFramedThumb ? thumb : rect();
        focus.backgroundColor = palette().color(QPalette::Button);
        QPainter painter(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
};

} // namespace

ClassicScrollBar::ClassicScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent)
    , m_bar(new KeyboardScrollBar(orientation, this))
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
