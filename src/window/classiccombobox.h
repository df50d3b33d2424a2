#pragma once

#include <QComboBox>

namespace rasterkit {

// An editable combo box that tells a choice from its list apart from typed
// text. listChosen is emitted only when the user picks an entry (from the
// drop-down list, or with the arrow keys). Typing leaves the box with no
// selected entry (index -1) and the typed text, and typing the text of an
// entry and leaving the box does not choose that entry. There is no
// completion and typed text is never inserted into the list. Drops are left
// to the parent.
class ClassicComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ClassicComboBox(QWidget* parent = nullptr);

    // The width in pixels that the text field has for its text at the box's
    // present size: wider text scrolls.
    int textRoom() const;

signals:
    void listChosen(int index);

private:
    void textTyped();
    void keepNoSelection();

    bool m_typed = false;         // text was typed since the last choice from the list
    bool m_finishingEdit = false; // the line edit is finishing an edit
};

} // namespace rasterkit
