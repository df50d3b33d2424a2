#include "classiccombobox.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionComboBox>

namespace rasterkit {

ClassicComboBox::ClassicComboBox(QWidget* parent)
    : QComboBox(parent)
{
    // The line edit is made here so that these connections come before the
    // combo box's own: slots run in the order they were connected, so
    // m_finishingEdit is set while QComboBox reacts to the end of an edit
    // (where it would choose an entry whose text matches the typed text).
    auto* edit = new QLineEdit(this);
    connect(edit, &QLineEdit::editingFinished, this, [this] { m_finishingEdit = true; });
    connect(edit, &QLineEdit::textEdited, this, &ClassicComboBox::textTyped);
    setLineEdit(edit); // also makes the box editable
    connect(edit, &QLineEdit::editingFinished, this, [this] {
        m_finishingEdit = false;
        keepNoSelection();
    });
    setCompleter(nullptr);
    setInsertPolicy(QComboBox::NoInsert);
    // Nothing is dropped into the box: a file dropped on it goes on to the
    // window, which opens it.
    edit->setAcceptDrops(false);

    connect(this, &QComboBox::activated, this, [this](int index) {
        if (m_finishingEdit)
            return;
        m_typed = false;
        emit listChosen(index);
    });
}

int ClassicComboBox::textRoom() const
{
    // A line edit keeps a margin of 2 pixels on either side of its text.
    constexpr int LineEditMargin = 2;
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.rect = QRect(QPoint(0, 0), size());
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const QMargins margins = lineEdit()->textMargins();
    return field.width() - 2 * LineEditMargin - margins.left() - margins.right();
}

void ClassicComboBox::textTyped()
{
    m_typed = true;
    keepNoSelection();
}

void ClassicComboBox::keepNoSelection()
{
    if (!m_typed || currentIndex() == -1)
        return;
    QLineEdit* edit = lineEdit();
    const QString text = edit->text();
    const int cursor = edit->cursorPosition();
    const QSignalBlocker blocker(this);
    setCurrentIndex(-1);
    edit->setText(text);
    edit->setCursorPosition(cursor);
}

} // namespace rasterkit
