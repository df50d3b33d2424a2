#pragma once

#include <QPlainTextEdit>
#include <QString>

namespace rasterkit {

// The multi-line status box. It keeps the exact text written to it, line
// breaks CR LF included, and shows each CR LF (or a lone CR or LF) as a new
// line. Text the user types is read back with CR LF line breaks.
class StatusBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit StatusBox(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;

private:
    QString m_text;
    bool m_edited = false; // the user changed the text since setText
};

} // namespace rasterkit
