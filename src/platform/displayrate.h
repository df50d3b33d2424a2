#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

namespace rasterkit {

// Paces the redraws of a control that changes far more often than the screen
// refreshes (a conversion moves the progress bar and draws a preview row
// hundreds of times within a few milliseconds). A change shows at once when
// the last redraw is a display frame or more ago; otherwise one redraw comes
// when the frame is over and shows whatever changed meanwhile.
class DisplayRateRedraw {
public:
    static constexpr qint64 FrameMilliseconds = 16;

    // Call after each change. True: redraw now. False: redrawLater runs once
    // when the current frame is over (only one is ever pending); it is dropped
    // should context be destroyed first.
    template<typename Redraw>
    bool redrawNow(QObject* context, Redraw redrawLater)
    {
        if (!m_clock.isValid())
            m_clock.start();
        const qint64 now = m_clock.elapsed();
        if (m_lastRedrawAt < 0 || now - m_lastRedrawAt >= FrameMilliseconds) {
            m_lastRedrawAt = now;
            return true;
        }
        if (m_lastRedrawAt > now)
            return false; // the frame's redraw is already on its way
        const qint64 delay = std::max<qint64>(FrameMilliseconds - (now - m_lastRedrawAt), 1);
        m_lastRedrawAt = now + delay;
        QTimer::singleShot(static_cast<int>(delay), Qt::PreciseTimer, context, redrawLater);
        return false;
    }

    // Forgets the last redraw: the next change shows at once.
    void reset() { m_lastRedrawAt = -1; }

private:
    QElapsedTimer m_clock;
    qint64 m_lastRedrawAt = -1; // on m_clock, ms: the last redraw, or the pending one
};

} // namespace rasterkit
