#include "statusbox.h"

#include <QPalette>

namespace rasterkit {

StatusBox::StatusBox(QWidget* parent)
    : QPlainTextEdit(parent)
{
    // The background is the system's button-face colour.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, colours.color(QPalette::Button));
    setPalette(colours);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Tab moves on to the next control, as in any dialog, rather than typing a tab.
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { m_edited = true; });
}

void StatusBox::setText(const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    setPlainText(shown);
    m_text = text;
    m_edited = false;
}

QString StatusBox::text() const
{
    if (!m_edited)
        return m_text;
    QString typed = toPlainText();
    typed.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return typed;
}

} // namespace rasterkit
