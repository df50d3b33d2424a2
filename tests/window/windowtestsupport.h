#pragma once

#include "platform/filedialog.h"
#include "window/form1.h"

#include <QAction>
#include <QByteArray>
#include <QComboBox>
#include <QImage>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QPointF>
#include <QRect>
#include <QScrollBar>
#include <QString>
#include <QStringList>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace rasterkit::test {

// The offscreen platform notes every window feature it lacks (size hints,
// raise, keyboard grabs); these notes are dropped, every other message goes
// on to the test log. Call from initTestCase.
void dropOffscreenPlatformNotes();

// A modal window seen while it was open.
struct ModalSeen {
    QString className;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Answers every modal window that opens while it lives: records it and
// presses its OK button (or closes it), so that a test never waits on a box.
class ModalAnswerer : public QObject {
    Q_OBJECT
public:
    ModalAnswerer();
    QList<ModalSeen> seen;

private:
    void look();
    QTimer m_timer;
};

// Answers the program's file dialogs with a fixed path ("" is cancel) and
// records what was asked. Restores the real dialogs when it goes.
class FileDialogAnswer {
public:
    explicit FileDialogAnswer(QString path = {});
    ~FileDialogAnswer();
    void setPath(const QString& path) { m_state->path = path; }
    // Runs between the choice and the program's use of it, as if another
    // program acted meanwhile.
    void whenAsked(std::function<void()> action) { m_state->whenAsked = std::move(action); }
    const QList<FileDialogRequest>& requests() const { return m_state->requests; }

private:
    struct State {
        QString path;
        QList<FileDialogRequest> requests;
        std::function<void()> whenAsked;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

// Runs a callback at every yield of the event loop while it lives: a zero
// timer fires once per pass of the loop.
class YieldWatcher : public QObject {
    Q_OBJECT
public:
    explicit YieldWatcher(std::function<void()> atYield)
        : m_atYield(std::move(atYield))
    {
        m_timer.setInterval(0);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (m_inside)
                return; // a box opened from the callback runs its own loop
            m_inside = true;
            m_atYield();
            m_inside = false;
        });
        m_timer.start();
    }

private:
    std::function<void()> m_atYield;
    QTimer m_timer;
    bool m_inside = false;
};

// A window shown at its design size and exposed, with its controls.
struct ShownForm {
    ShownForm();
    std::unique_ptr<Form1> form;
    const Form1Controls& c() const { return form->controls(); }
    bool exposed = false;
};

// Picks entry index from a combo box's drop-down list with the mouse.
bool chooseComboEntry(QComboBox* combo, int index);

// Clicks one of a scroll bar's arrows (SC_ScrollBarSubLine or SC_ScrollBarAddLine).
void clickScrollArrow(QScrollBar* bar, QStyle::SubControl arrow, int times = 1);

// Where a scroll bar's thumb is, to press and drag it.
QRect thumbRect(QScrollBar* bar);
inline QRect horizontalThumbRect(QScrollBar* bar)
{
    return thumbRect(bar);
}

// Writes content to a new file at path; false if it cannot.
[[nodiscard]] bool writeFile(const QString& path, const QByteArray& content);

// A mouse move over a widget with the given buttons held (QTest::mouseMove
// carries no buttons).
void moveMouseWithButtons(QWidget* widget, QPointF position, Qt::MouseButtons buttons);

// A picture of one colour.
QImage flatPicture(QSize size, QRgb colour);

// Saves the picture as name in folder (in the format its suffix names unless
// format is given) and returns its path, or "" if it could not be saved.
QString writePicture(const QTemporaryDir& folder, const QString& name, const QImage& picture, const char* format = nullptr);

// Runs the open command with the dialog answered by path.
void openPicture(Form1& form, const QString& path);

// Selects the format by its list index with the mouse, then converts.
void convertWith(Form1& form, int formatIndex);

// A 400 x 300 picture with long flat runs, runs across row ends, a smooth
// gradient, short stripes and blocks, so every encoder meets every case.
QImage patternPicture(int width = 400, int height = 300);

// The picture's pixel as 0x00BBGGRR, as the program sees it.
std::uint32_t colourAt(const QImage& picture, int x, int y);

QByteArray bytesOf(const std::vector<std::uint8_t>& bytes);

// What rasterkit-cli writes for the window's current settings: the output
// bytes and the report file. An empty error means it ran.
struct CliResult {
    QByteArray output;
    QByteArray report;
    QString error;
};
CliResult runCli(const QString& picturePath, const WorkingState& state, int formatIndex, const QString& workFolder);

// Reduction masks as the format list orders them.
std::uint32_t maskOf(int formatIndex);

// The grey level: bits 7..1 of each channel weigh 4, 2, 1, 0.5, 0.25, 0.12,
// 0.06, plus 7, rounded to nearest with ties to even.
int greyLevelOf(std::uint32_t colour);

// The nearest whole number, halves to the even neighbour.
int nearestEven(double value);

// row / rows x 100 in double precision, rounded to nearest, ties to even.
int percentOf(int row, int rows);

} // namespace rasterkit::test
