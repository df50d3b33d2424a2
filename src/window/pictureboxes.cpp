#include "pictureboxes.h"

#include "twips.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QRegion>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

namespace rasterkit {

namespace {

// The style's focus rectangle for a focused picture box, drawn only on a ring
// RingWidth pixels wide along area's edges: the picture inside the ring shows
// as it is, even where the style would fill the rectangle.
void drawFocusRing(QPainter& painter, const QWidget* focused, const QRect& area)
{
    constexpr int RingWidth = 2;
    QStyleOptionFocusRect option;
    option.initFrom(focused);
    option.rect = area;
    option.backgroundColor = focused->palette().color(QPalette::Window);
    painter.save();
    const QRect inside = area.adjusted(RingWidth, RingWidth, -RingWidth, -RingWidth);
    painter.setClipRegion(QRegion(area).subtracted(QRegion(inside)), Qt::IntersectClip);
    focused->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, focused);
    painter.restore();
}

} // namespace

ClientArea::ClientArea(QWidget* parent)
    : QWidget(parent)
{
}

void ClientArea::addOutlined(QWidget* child)
{
    m_outlined.append(child);
    child->installEventFilter(this);
    update();
}

bool ClientArea::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        update();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void ClientArea::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(Qt::NoBrush);
    for (const QWidget* child : m_outlined) {
        // drawRect covers width + 1 by height + 1 pixels.
        const QRect geometry = child->geometry();
        painter.drawRect(geometry.x() - 1, geometry.y() - 1, geometry.width() + 1, geometry.height() + 1);
    }
    // A focused box's focus rectangle runs over its outline and just outside
    // it, never over the box.
    for (const QWidget* child : m_outlined) {
        if (child->hasFocus())
            drawFocusRing(painter, child, child->geometry().adjusted(-2, -2, 2, 2));
    }
}

ViewportBox::ViewportBox(QWidget* parent)
    : QWidget(parent)
{
    // Dark grey around a picture smaller than the viewport shows where the
    // picture ends.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Dark);
}

void ViewportBox::setSizeTwips(int widthTwips, int heightTwips)
{
    m_widthTwips = std::max(widthTwips, 0);
    m_heightTwips = std::max(heightTwips, 0);
    resize(pixelsFromTwips(m_widthTwips), pixelsFromTwips(m_heightTwips));
}

void ViewportBox::wheelEvent(QWheelEvent* event)
{
    emit wheelTurned(event->angleDelta(), event->modifiers());
    event->accept();
}

SourcePictureBox::SourcePictureBox(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    // The focus rectangle follows the part of the picture the viewport shows.
    if (parent != nullptr)
        parent->installEventFilter(this);
}

QImage SourcePictureBox::emptySurface(int width, int height)
{
    QImage surface(width, height, QImage::Format_RGBX8888);
    surface.fill(QColor::fromRgb(EmptyColour));
    return surface;
}

void SourcePictureBox::setPicture(const QImage& picture, int decodedRows)
{
    m_picture = picture;
    m_decodedRows = decodedRows < 0 ? picture.height() : std::min(decodedRows, picture.height());
    m_frameShown = false;
    resize(m_picture.size());
    update();
}

void SourcePictureBox::setDecodedRows(int rows)
{
    rows = std::clamp(rows, 0, m_picture.height());
    if (rows == m_decodedRows)
        return;
    update(0, std::min(rows, m_decodedRows), m_picture.width(), std::abs(rows - m_decodedRows));
    m_decodedRows = rows;
}

int SourcePictureBox::widthTwips() const
{
    return twipsFromPixels(m_picture.width());
}

int SourcePictureBox::heightTwips() const
{
    return twipsFromPixels(m_picture.height());
}

void SourcePictureBox::setLeftTwips(int twips)
{
    m_leftTwips = twips;
    applyPosition();
}

void SourcePictureBox::setTopTwips(int twips)
{
    m_topTwips = twips;
    applyPosition();
}

void SourcePictureBox::applyPosition()
{
    move(pixelsFromTwips(m_leftTwips), pixelsFromTwips(m_topTwips));
}

void SourcePictureBox::drawFrame(QPointF corner, QPointF oppositeCorner)
{
    m_frame = QRectF(corner, oppositeCorner).normalized();
    m_frameShown = true;
    update();
}

void SourcePictureBox::clearFrame()
{
    m_frameShown = false;
    update();
}

void SourcePictureBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect area = event->rect();
    painter.fillRect(area, QColor::fromRgb(EmptyColour));
    const QRect decoded = area.intersected(QRect(0, 0, m_picture.width(), m_decodedRows));
    if (!decoded.isEmpty())
        painter.drawImage(decoded.topLeft(), m_picture, decoded);
    if (m_frameShown) {
        // A thin solid outline, one screen pixel wide whatever the scale.
        QPen pen(QColor(255, 0, 0));
        pen.setWidth(0);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.drawRect(m_frame);
    }
    // With the focus, a focus rectangle just inside the edges of what the
    // viewport shows of the picture.
    if (hasFocus())
        drawFocusRing(painter, this, shownRect());
}

QRect SourcePictureBox::shownRect() const
{
    const QWidget* viewport = parentWidget();
    if (viewport == nullptr)
        return rect();
    return rect().intersected(QRect(mapFromParent(QPoint(0, 0)), viewport->size()));
}

void SourcePictureBox::moveEvent(QMoveEvent* event)
{
    // Qt moves the pixels already shown; the focus rectangle must be drawn afresh.
    if (hasFocus())
        update();
    QWidget::moveEvent(event);
}

bool SourcePictureBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && hasFocus())
        update();
    return QWidget::eventFilter(watched, event);
}

void SourcePictureBox::wheelEvent(QWheelEvent* event)
{
    emit wheelTurned(event->angleDelta(), event->modifiers());
    event->accept();
}

void SourcePictureBox::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved(event->buttons(), event->position());
    QWidget::mouseMoveEvent(event);
}

PreviewBox::PreviewBox(QWidget* parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
}

void PreviewBox::setWidthTwips(int twips)
{
    setSizeTwips(twips, m_heightTwips);
}

void PreviewBox::setHeightTwips(int twips)
{
    setSizeTwips(m_widthTwips, twips);
}

void PreviewBox::setSizeTwips(int widthTwips, int heightTwips)
{
    m_widthTwips = std::max(widthTwips, 0);
    m_heightTwips = std::max(heightTwips, 0);
    applySize();
}

void PreviewBox::applySize()
{
    const QSize size(pixelsFromTwips(m_widthTwips), pixelsFromTwips(m_heightTwips));
    if (size != m_image.size() || size != this->size()) {
        // What was drawn does not survive a change of size.
        m_image = QImage(size, QImage::Format_ARGB32);
        m_image.fill(Qt::transparent);
        resize(size);
        update();
    }
}

void PreviewBox::showDrawnPixels()
{
    // A conversion draws hundreds of rows within a few milliseconds; painting
    // the box after each one would cost more than the conversion itself.
    if (m_redraw.redrawNow(this, [this] { update(); }))
        update();
}

QRgb PreviewBox::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_image.width() || y >= m_image.height())
        return 0;
    return m_image.pixel(x, y);
}

void PreviewBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect area = event->rect();
    painter.drawImage(area.topLeft(), m_image, area);
}

} // namespace rasterkit
