#pragma once

#include "displayrate.h"

#include <QPointer>
#include <QtGlobal>

class QProgressBar;
class QWidget;

namespace rasterkit {

// A progress bar created at run time as a child of a given window, with a
// 16-bit range, a position and a step. Without a widget (Create not called)
// every operation is harmless and the getters other than Step return 0.
// The position and the range are read back from the widget; only the step
// is answered from the stored value.
class ProgressBar {
public:
    ProgressBar() = default;
    ~ProgressBar(); // destroys the widget
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Creates the bar at (Left, Top), Width x Height pixels of parent's client
    // area, range MinPos..MaxPos (each narrowed to 16 bits) and step StepRange.
    // A second call makes a second widget and forgets the first, which stays
    // with its parent (the parent deletes it). Without a parent no widget is
    // made. The new bar stands at 0, or at the nearer end of its range.
    void Create(QWidget* parent, int Top, int Left, int Height, int Width, int MinPos, int MaxPos, int StepRange);

    // Advances the position by the step. A position carried past the maximum
    // starts over from the minimum, keeping the overshoot modulo the span
    // (range 0..100, step 1: 100 -> 1; step 10: 95 -> 5); one carried below
    // the minimum by a negative step comes back from the maximum. A range of
    // one value keeps the position.
    void StepIt();

    // The position is clamped into the range and takes effect at once (Value
    // reads it back); the bar on screen is redrawn at most about once per
    // display frame, and always shows the last position soon after.
    void setValue(int value);
    int Value() const;
    int Max() const;
    int Min() const;
    // Range ends are narrowed to 16 bits by saturation: values beyond
    // -32768..32767 become the nearer end. A maximum below the minimum is
    // read back as the minimum (the widget holds no reversed range).
    void setMax(int value); // keeps the stored minimum
    void setMin(int value); // keeps the stored maximum
    void setStep(int value);
    int Step() const;

    QProgressBar* widget() const;

    // The range argument: high in bits 16-31, the low value's 16 bits
    // (taken unsigned) in bits 0-15.
    static qint32 PackRange(qint16 low, qint16 high);

private:
    void applyRange();

    QPointer<QProgressBar> m_widget;
    qint16 m_minimum = 0;
    qint16 m_maximum = 0;
    qint32 m_step = 0;
    DisplayRateRedraw m_redraw;
};

} // namespace rasterkit
