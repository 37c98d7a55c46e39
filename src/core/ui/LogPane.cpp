#include "core/ui/LogPane.h"

#include "core/LogFormat.h"

#include <QApplication>
#include <QLocale>
#include <QScrollBar>
#include <QTextCursor>
#include <QTime>

namespace mv {

QString longTimeText() {
    QString fmt = QLocale::system().timeFormat(QLocale::LongFormat);
    // The long format of most locales ends with the time zone, which the log does not show.
    fmt.remove(QLatin1String(" t"));
    fmt.remove(QLatin1Char('t'));
    return QTime::currentTime().toString(fmt.trimmed());
}

LogPane::LogPane(QWidget* parent) : QTextEdit(parent) {
    setObjectName("LogRichEdit");
    setReadOnly(true);
    // Long lines (paths, error texts) wrap: the pane is narrow on small screens.
    setLineWrapMode(QTextEdit::WidgetWidth);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Text, Qt::black);
    setPalette(p);
    QFont f("Sans Serif");
    f.setStyleHint(QFont::SansSerif);
    f.setPointSize(8);
    setFont(f);
}

void LogPane::add(std::string_view text, bool warning) {
    QTextCharFormat fmt;
    fmt.setForeground(warning ? QColor(255, 0, 0) : QColor(0, 0, 0));
    fmt.setFontWeight(warning ? QFont::Bold : QFont::Normal);
    if (warning)
        QApplication::beep();
    ++counter_;
    const std::string line =
        formatLogLine(counter_, longTimeText().toStdString(), std::string(text));
    lastLine_ = QString::fromStdString(line);
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    if (!document()->isEmpty())
        c.insertBlock();
    c.insertText(lastLine_, fmt);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

} // namespace mv
