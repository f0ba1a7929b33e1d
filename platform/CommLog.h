// TCommLog: the communication log, a read-only text view that takes a flood of data.
//
//   AddText(colour, bytes)  queue text (bytes through Windows-1252); sent text is shown at once,
//                           received text on a short timer, in one edit per refresh
//   Flush()                 show everything queued now
//   Clear()                 empty the log
//   Text(), SelectedText()  the log's text: '\n' per line break, long lines whole
//   SaveToRtf(fileName)     the whole log as Rich Text, replacing the file only when complete;
//                           throws ESaveError with a message for the user when it cannot
//   FoldLineBreaks(text, afterCR)  CR, LF and CR LF (also split across calls) -> one '\n'
//
// New text always goes at the end, through a cursor of the log's own: the user's caret,
// selection and scroll position are left alone, and the view follows new text only while it is
// scrolled to the end with nothing selected. A line longer than kMaxBlockChars is held as
// several blocks marked as continuations, so no insert lays out an ever-growing paragraph;
// Text, copy and save join them again. Line breaks inside a block are line separators
// (U+2028), so a block holds many short lines. The log is never trimmed. Main thread only.
#pragma once

#include "RtfWriter.h"

#include <QByteArray>
#include <QPlainTextEdit>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTimer>

#include <chrono>
#include <deque>
#include <stdexcept>

namespace orv {

class ESaveError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

QString FoldLineBreaks(QStringView text, bool& afterCR);

class TCommLog : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxBlockChars = 1024;
    static constexpr std::chrono::milliseconds kRefreshInterval{20};
    // One refresh stops after this long, so the window keeps answering under a flood; the rest
    // follows as soon as other events have had their turn.
    static constexpr std::chrono::milliseconds kMaxRefreshTime{8};
    static constexpr qsizetype kRefreshSliceChars = 8 * 1024;

    static const QColor kSentColour;
    static const QColor kReceivedColour;

    explicit TCommLog(QWidget* parent = nullptr);

    void AddText(LogColour colour, const QByteArray& bytes);
    void Flush();
    void Clear();
    QString Text() const;
    QString SelectedText() const;
    void SaveToRtf(const QString& fileName);
    qsizetype PendingChars() const { return m_pendingChars; }
    // Characters shown since the log was created, line breaks included: a progress figure.
    qint64 LoggedChars() const { return m_loggedChars; }

protected:
    QMimeData* createMimeDataFromSelection() const override;
    bool event(QEvent* event) override;

private:
    struct Run {
        LogColour colour;
        QString text;
    };
    void refresh(std::chrono::nanoseconds timeBudget);
    void insertRun(LogColour colour, QStringView text);
    void insertPiece(LogColour colour, const QString& text);
    QString textBetween(int start, int end) const;

    QTextCursor m_end; // always at the end of the document
    QTextCharFormat m_formats[3];
    std::deque<Run> m_pending;
    qsizetype m_frontTaken = 0; // characters of the first run already shown
    qsizetype m_pendingChars = 0;
    qsizetype m_blockChars = 0; // characters in the last block
    qint64 m_loggedChars = 0;
    bool m_afterCR = false;
    QTimer m_refreshTimer;
};

} // namespace orv
