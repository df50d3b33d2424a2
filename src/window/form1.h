#pragma once

#include "designcontrols.h"

#include "convert/pixelformat.h"
#include "convert/pixelgrid.h"
#include "platform/progressbar.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QTimer>

#include <array>
#include <cstdint>
#include <memory>

class QAction;
class QMenu;
class QPushButton;

namespace rasterkit {

class ClassicComboBox;
class PictureStages;
class ClassicScrollBar;
class PreviewBox;
class SourcePictureBox;
class StatusBox;
class ViewportBox;

// The variables the capture frame controls set and the conversion reads.
struct WorkingState {
    std::int32_t TargetHeight = 240;
    std::int32_t TargetWidth = 320;
    std::int32_t FrameTop = 0;
    std::int32_t FrameLeft = 0;
    float FrameCenterX = 0.0f;
    float FrameCenterY = 0.0f;
    double SampleStep = 1.0;
    ::rasterkit::OutputBytes OutputBytes;  // empty until the first conversion
    ::rasterkit::PixelGrid PixelGrid;
};

// How a panning bar's units map to twips. A span that fits 16 bits pans
// twip by twip; a larger one makes each unit a whole number of pixels, the
// fewest that bring the span within range, and the far end shows the far edge.
struct PanScale {
    int twipsPerUnit = 1;
    int spanTwips = 0; // how much larger the picture is than the viewport

    static PanScale forSpan(int spanTwips);
    int maxUnits() const;
    // Within the span (0..spanTwips) once a unit stands for several twips.
    int twipsFromUnits(int units) const;
    int unitsFromTwips(int twips) const;
};

// The controls, by their design names (which are also their object names).
struct Form1Controls {
    QWidget* client = nullptr; // the client area below the menu bar
    PreviewBox* Picture2 = nullptr;
    ViewportBox* Picture1 = nullptr;
    SourcePictureBox* Picture3 = nullptr;
    ClassicScrollBar* VScroll1 = nullptr;
    ClassicScrollBar* HScroll1 = nullptr;
    QPushButton* Command1 = nullptr;
    StatusBox* Text1 = nullptr;
    ClassicComboBox* Combo1 = nullptr;
    ClassicComboBox* Combo2 = nullptr;
    ClassicScrollBar* VScroll2 = nullptr;
    ClassicComboBox* Combo3 = nullptr;
    ClassicScrollBar* VScroll3 = nullptr;
    ClassicScrollBar* HScroll2 = nullptr;
    QMenu* file = nullptr;
    QAction* File_open = nullptr;
    QAction* file_save = nullptr;
    QAction* Autor = nullptr;
};

// The program's one window: its controls and menu, the working state, the
// viewport onto the source picture, the capture frame, the conversion and
// saving. Everything runs on the user-interface thread; the long handlers
// yield to the event queue at fixed points, and while a conversion runs every
// input that would change its inputs or read its half-made output is
// disabled (updateActions). A picture file dropped on the window opens as
// the Open command opens it.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    const WorkingState& state() const { return m_state; }
    const Form1Controls& controls() const { return m_controls; }
    ProgressBar& Progress() { return *m_progress; }
    bool isConverting() const { return m_converting; }
    // Whether a photo opened in stages still has rows to decode.
    bool isOpening() const { return m_opening != nullptr; }

    static constexpr int DesignClientWidth = 651;  // 9765 twips
    static constexpr int DesignClientHeight = 408; // 6120 twips

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createControls();
    QWidget* createControl(const DesignControl& design);
    void connectHandlers();
    void fitFont();
    void updateActions();
    void beginConversion();
    void endConversion();
    // One pass of the event loop; false once the window has been closed, when
    // the caller must return without touching anything.
    bool yieldToEventQueue();
    int showMessage(QMessageBox::Icon icon, const QString& title, const QString& text);

    // Window
    void Form_Load();
    void Form_Resize();
    void Autor_Click();

    // Source picture and viewport
    void File_open_Click();
    void openPicture(const QString& path);
    void continueOpening();
    bool finishOpening();
    void restorePreviousPicture();
    void HScroll1_Change(int value);
    void VScroll1_Change(int value);
    void updateScrollRanges();
    void setPanRange(ClassicScrollBar* bar, PanScale& scale, int spanTwips, int viewportTwips);
    void panByWheel(QPoint angleDelta, Qt::KeyboardModifiers modifiers);
    static int panPosition(const PanScale& scale, int value);

    // Capture frame
    void DrawCaptureFrame();
    void Picture3_MouseMove(Qt::MouseButtons buttons, QPointF position);
    void HScroll2_Change(int value);
    void Combo2_Click(int index);
    void Combo3_Click(int index);
    void VScroll2_Change(int value);
    void VScroll3_Change(int value);
    void applyPreset(int index, const std::array<SizePreset, 4>& presets, std::int32_t& targetSize,
        void (PreviewBox::*setPreviewTwips)(int), ClassicScrollBar* spinner);
    void applySpinner(int value, std::int32_t& targetSize, ClassicComboBox* sizeBox);
    QString scaleText() const;
    bool blankPreview();

    // Conversion and saving
    void Command1_Click();
    void Convert(PixelFormat format);
    void encodeAndReport(PixelFormat format);
    void file_save_Click();

    WorkingState m_state;
    PanScale m_horizontalPan;
    PanScale m_verticalPan;
    Form1Controls m_controls;
    std::unique_ptr<ProgressBar> m_progress;
    bool m_converting = false;
    bool m_closed = false;
    // Disabling the focused control moves the focus on; a conversion gives
    // it back at its end unless the user has moved it meanwhile.
    QPointer<QWidget> m_focusBeforeRun;
    QPointer<QWidget> m_focusDuringRun;
    bool m_layoutPending = false; // a resize is waiting to be laid out

    // A big photo opens in stages: the rows the viewport shows first, then
    // the rest a band at a time from the event queue. What was shown before
    // is kept until the last row is in, to come back if the rest turns out
    // damaged: a failed open leaves everything as it was.
    struct Opening {
        std::unique_ptr<PictureStages> stages;
        QImage previousPicture;
        QString previousTitle;
        bool previousFrameShown = false;
        QRectF previousFrame;
        int previousHorizontalValue = 0;
        int previousVerticalValue = 0;
        int previousLeftTwips = 0;
        int previousTopTwips = 0;
    };
    std::unique_ptr<Opening> m_opening;
    QTimer m_openingTimer;
};

} // namespace rasterkit
