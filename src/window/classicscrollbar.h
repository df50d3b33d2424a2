#pragma once

#include <QWidget>

class QScrollBar;

namespace rasterkit {

// A scroll bar with the classic semantics: 16-bit values, and Min may be
// larger than Max. Min is always the top (or left) end of the bar: with Min
// 320 and Max 1 the up arrow raises the value by one. Changing Min or Max
// never resets the value, it only clamps it into the new range, and then
// reports the change like any other.
//
// Inside sits a QScrollBar. When Min <= Max it runs over [Min, Max] and
// holds the value itself; when Min > Max it runs over [-Min, -Max] and holds
// the negated value, so that its top end is still Min.
//
// The bar is a tab stop; the inner bar takes its focus. A focused bar shows
// it on its thumb, and its keys move it as a click on the matching part
// would: Up or Left and Down or Right as the arrows, Page Up and Page Down as
// the track either side of the thumb, Home and End to the Min and Max ends.
class ClassicScrollBar : public QWidget {
    Q_OBJECT
public:
    explicit ClassicScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

    int value() const { return m_value; }
    int min() const { return m_min; }
    int max() const { return m_max; }

    // Each value is narrowed to -32768..32767 first.
    void setValue(int value);
    void setMin(int min);
    void setMax(int max);

    // Lets go of a thumb the user is dragging, as releasing the mouse would:
    // the value it shows is committed and valueChanged sent. Disabling the
    // bar does the same, so a caller that must not meet that signal while
    // disabling lets go first.
    void releaseThumb();

    // The inner scroll bar, which takes the focus, clicks, drags and keys.
    QScrollBar* bar() const { return m_bar; }

signals:
    // The value changed: by an arrow, a click on the track, a key, the end of
    // a thumb drag, setValue, or clamping after a change of Min or Max.
    void valueChanged(int value);
    // The user is dragging the thumb; value() already follows it.
    void thumbDragged(int value);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool inverted() const { return m_min > m_max; }
    int classicFromInner(int inner) const { return inverted() ? -inner : inner; }
    void applyRange(int min, int max);
    void innerValueChanged(int inner);
    void innerSliderMoved(int inner);

    QScrollBar* m_bar = nullptr;
    int m_min = 0;
    int m_max = 0;
    int m_value = 0;
};

} // namespace rasterkit
