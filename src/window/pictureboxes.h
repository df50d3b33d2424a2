#pragma once

#include "platform/displayrate.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QWidget>

#include <cstdint>

namespace rasterkit {

// The window's client area. It outlines the picture boxes with a thin line
// just outside their edges, so that an empty preview shows where it is while
// every pixel of each box stays free for its picture. A box with the focus
// gets the style's focus rectangle round that outline.
class ClientArea : public QWidget {
    Q_OBJECT
public:
    explicit ClientArea(QWidget* parent = nullptr);
    void addOutlined(QWidget* child);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QWidget*> m_outlined;
};

// The viewport: a fixed window onto the source picture. Its child is clipped
// to it and may stand at negative positions. Its size is kept in twips.
class ViewportBox : public QWidget {
    Q_OBJECT
public:
    explicit ViewportBox(QWidget* parent = nullptr);

    int widthTwips() const { return m_widthTwips; }
    int heightTwips() const { return m_heightTwips; }
    // Negative sizes are taken as 0.
    void setSizeTwips(int widthTwips, int heightTwips);

signals:
    // The mouse wheel turned over the viewport or the picture in it.
    void wheelTurned(QPoint angleDelta, Qt::KeyboardModifiers modifiers);

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    int m_widthTwips = 0;
    int m_heightTwips = 0;
};

// The source picture at its natural size, with the capture frame drawn over
// it. The picture is what conversions sample; the frame is only drawn on
// the screen and never changes the picture's pixels. Inner coordinates are
// the picture's pixels, (0, 0) its top-left pixel. With the focus, the
// style's focus rectangle runs just inside the edges of the part of the
// picture that its parent, the viewport, shows.
class SourcePictureBox : public QWidget {
    Q_OBJECT
public:
    // The light grey a picture box shows where there is no picture.
    static constexpr QRgb EmptyColour = 0xFFF0F0F0;

    explicit SourcePictureBox(QWidget* parent = nullptr);

    // An empty light-grey surface of the given size.
    static QImage emptySurface(int width, int height);

    // Replaces the picture (Format_RGBX8888) and takes its size; the drawn
    // frame goes with the old picture.
    // decodedRows: the rows that hold pixels yet (a photo opened in stages);
    // those below show the empty colour until setDecodedRows says more.
    void setPicture(const QImage& picture, int decodedRows = -1);
    void setDecodedRows(int rows);
    const QImage& picture() const { return m_picture; }

    int widthTwips() const;
    int heightTwips() const;

    // Position inside the viewport, in twips; shown at the nearest pixel.
    int leftTwips() const { return m_leftTwips; }
    int topTwips() const { return m_topTwips; }
    void setLeftTwips(int twips);
    void setTopTwips(int twips);

    // The outline between two opposite corners, in picture pixels.
    void drawFrame(QPointF corner, QPointF oppositeCorner);
    void clearFrame();
    bool isFrameShown() const { return m_frameShown; }
    QRectF frameRect() const { return m_frame; }

signals:
    // The pointer moved over the picture with these buttons held.
    void mouseMoved(Qt::MouseButtons buttons, QPointF position);
    // The mouse wheel turned over the picture.
    void wheelTurned(QPoint angleDelta, Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyPosition();
    // The part of the picture inside the viewport, in the picture's pixels.
    QRect shownRect() const;

    QImage m_picture;
    int m_decodedRows = 0;
    int m_leftTwips = 0;
    int m_topTwips = 0;
    bool m_frameShown = false;
    QRectF m_frame;
};

// The preview of the converted picture. Pixels are set one by one into a
// backing image and shown at the next repaint. Its size is kept in twips;
// any change of size clears what was drawn, so shrinking the box to nothing
// and restoring it leaves it blank.
class PreviewBox : public QWidget {
    Q_OBJECT
public:
    explicit PreviewBox(QWidget* parent = nullptr);

    int widthTwips() const { return m_widthTwips; }
    int heightTwips() const { return m_heightTwips; }
    void setWidthTwips(int twips);
    void setHeightTwips(int twips);
    void setSizeTwips(int widthTwips, int heightTwips);

    // colour is 0x00BBGGRR. Pixels outside the box are dropped. Call
    // showDrawnPixels() once the pixels of a row are set.
    void setPixel(int x, int y, std::uint32_t colour)
    {
        if (x >= 0 && y >= 0 && x < m_image.width() && y < m_image.height()) {
            const QRgb rgb = qRgb(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
            reinterpret_cast<QRgb*>(m_image.scanLine(y))[x] = rgb;
        }
    }

    // Puts the pixels set so far on the screen at display rate: at once when
    // the last repaint is a frame ago, else with one repaint a little later.
    void showDrawnPixels();

    // The drawn colour as 0xAARRGGBB, alpha 0 where nothing is drawn.
    QRgb pixel(int x, int y) const;
    const QImage& image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void applySize();

    int m_widthTwips = 0;
    int m_heightTwips = 0;
    QImage m_image;
    DisplayRateRedraw m_redraw;
};

} // namespace rasterkit
