#include "CommLog.h"

#include "Win1252.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QProxyStyle>
#include <QSaveFile>
#include <QScrollBar>
#include <QStyleOption>
#include <QTextBlock>

namespace orv {

namespace {

constexpr int kContinuation = 1; // block user state: this block goes on the line before it

LogColour colourOf(const QTextCharFormat& format)
{
    if (!format.hasProperty(QTextFormat::ForegroundBrush))
        return LogColour::Default;
    const QColor colour = format.foreground().color();
    if (colour == TCommLog::kSentColour)
        return LogColour::Sent;
    if (colour == TCommLog::kReceivedColour)
        return LogColour::Received;
    return LogColour::Default;
}

// Draws the scroll bar's track in a plain colour. Patterned and gradient fills of tall areas
// are handed by Qt's raster engine to helper threads and waited for; under a flood of data the
// helpers wait for a processor and the window with them, at every refresh.
class PlainTrackStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (element == CE_ScrollBarAddPage || element == CE_ScrollBarSubPage) {
            painter->fillRect(option->rect, option->palette.color(option->state & State_Sunken
                                                                      ? QPalette::Mid
                                                                      : QPalette::Midlight));
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

} // namespace

const QColor TCommLog::kSentColour(255, 0, 0);
const QColor TCommLog::kReceivedColour(0, 128, 0);

QString FoldLineBreaks(QStringView text, bool& afterCR)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == QLatin1Char('\r')) {
            out.append(QLatin1Char('\n'));
            afterCR = true;
            continue;
        }
        if (c == QLatin1Char('\n')) {
            if (!afterCR)
                out.append(QLatin1Char('\n'));
        } else {
            out.append(c);
        }
        afterCR = false;
    }
    return out;
}

TCommLog::TCommLog(QWidget* parent)
    : QPlainTextEdit(parent)
    , m_end(document())
{
    document()->setUndoRedoEnabled(false);
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_formats[int(LogColour::Sent)].setForeground(kSentColour);
    m_formats[int(LogColour::Received)].setForeground(kReceivedColour);
    auto* trackStyle = new PlainTrackStyle(QApplication::style()->name());
    trackStyle->setParent(this);
    verticalScrollBar()->setStyle(trackStyle);
    m_refreshTimer.setSingleShot(true);
    connect(&m_refreshTimer, &QTimer::timeout, this, [this] { refresh(kMaxRefreshTime); });
}

void TCommLog::AddText(LogColour colour, const QByteArray& bytes)
{
    const QString text = FoldLineBreaks(BytesToText(bytes), m_afterCR);
    if (!text.isEmpty()) {
        if (!m_pending.empty() && m_pending.back().colour == colour)
            m_pending.back().text += text;
        else
            m_pending.push_back({colour, text});
        m_pendingChars += text.size();
    }
    // What the user sent shows at once (behind any backlog of replies, within one refresh's
    // time); replies are gathered for the next refresh.
    if (colour == LogColour::Sent) {
        m_refreshTimer.stop();
        refresh(kMaxRefreshTime);
    } else if (!m_refreshTimer.isActive())
        m_refreshTimer.start(kRefreshInterval);
}

void TCommLog::Flush()
{
    m_refreshTimer.stop();
    refresh(std::chrono::nanoseconds::max());
}

void TCommLog::refresh(std::chrono::nanoseconds timeBudget)
{
    if (m_pending.empty())
        return;
    QElapsedTimer clock;
    clock.start();
    QScrollBar* bar = verticalScrollBar();
    const bool follow = bar->value() == bar->maximum() && !textCursor().hasSelection();

    // Slice by slice until the time is up: an insert costs more as the log grows, so a fixed
    // amount per refresh would make the window answer ever more slowly.
    m_end.beginEditBlock();
    while (!m_pending.empty() && std::chrono::nanoseconds(clock.nsecsElapsed()) < timeBudget) {
        const Run& run = m_pending.front();
        const qsizetype take = std::min(run.text.size() - m_frontTaken, kRefreshSliceChars);
        insertRun(run.colour, QStringView(run.text).mid(m_frontTaken, take));
        m_loggedChars += take;
        m_pendingChars -= take;
        m_frontTaken += take;
        if (m_frontTaken == run.text.size()) {
            m_pending.pop_front();
            m_frontTaken = 0;
        }
    }
    m_end.endEditBlock();

    if (follow)
        bar->setValue(bar->maximum());
    if (!m_pending.empty() && !m_refreshTimer.isActive())
        m_refreshTimer.start(0);
}

// Lines are held as line separators inside blocks of bounded size: a block is closed at the
// first line break after it holds kMaxBlockChars / 2 characters, and a line that alone would
// overflow it goes on in a continuation block. Few blocks keep the document's indexes small,
// and bounded blocks keep each insert's layout work small, however long the log or a line.
void TCommLog::insertRun(LogColour colour, QStringView text)
{
    QString piece;
    piece.reserve(std::min<qsizetype>(text.size(), kMaxBlockChars));
    const auto closeBlock = [&](bool continuation) {
        insertPiece(colour, piece);
        piece.clear();
        m_end.insertBlock();
        if (continuation)
            m_end.block().setUserState(kContinuation);
        m_blockChars = 0;
    };
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype newline = text.indexOf(QLatin1Char('\n'), i);
        const qsizetype lineEnd = newline < 0 ? text.size() : newline;
        while (i < lineEnd) {
            if (m_blockChars == kMaxBlockChars)
                closeBlock(true);
            const qsizetype n = std::min(lineEnd - i, kMaxBlockChars - m_blockChars);
            piece += text.mid(i, n);
            m_blockChars += n;
            i += n;
        }
        if (newline < 0)
            break;
        if (m_blockChars >= kMaxBlockChars / 2) {
            closeBlock(false);
        } else {
            piece += QChar::LineSeparator;
            ++m_blockChars;
        }
        i = newline + 1;
    }
    insertPiece(colour, piece);
}

void TCommLog::insertPiece(LogColour colour, const QString& text)
{
    if (!text.isEmpty())
        m_end.insertText(text, m_formats[int(colour)]);
}

void TCommLog::Clear()
{
    // Text still waiting to be shown arrived before the clear: it goes with the rest.
    m_refreshTimer.stop();
    m_pending.clear();
    m_pendingChars = 0;
    m_frontTaken = 0;
    clear();
    m_end = QTextCursor(document());
    m_blockChars = 0;
}

QString TCommLog::textBetween(int start, int end) const
{
    QString text;
    QTextBlock block = document()->findBlock(start);
    while (block.isValid() && block.position() <= end) {
        if (block.position() > start && block.userState() != kContinuation)
            text += QLatin1Char('\n');
        const int from = std::max(start - block.position(), 0);
        const int to = std::min(end - block.position(), block.length() - 1);
        if (to > from)
            text += QStringView(block.text()).mid(from, to - from);
        block = block.next();
    }
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

QString TCommLog::Text() const { return textBetween(0, document()->characterCount() - 1); }

QString TCommLog::SelectedText() const
{
    const QTextCursor cursor = textCursor();
    return textBetween(cursor.selectionStart(), cursor.selectionEnd());
}

QMimeData* TCommLog::createMimeDataFromSelection() const
{
    auto* data = new QMimeData;
    data->setText(SelectedText());
    return data;
}

bool TCommLog::event(QEvent* event)
{
    // The log's own key handling takes Ctrl+C and Ctrl+A before any shortcut; let the actions
    // attached to the log (its context menu) have their shortcuts instead.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (const QAction* action : actions()) {
            if (action->shortcut() == pressed) {
                event->ignore();
                return true;
            }
        }
    }
    return QPlainTextEdit::event(event);
}

void TCommLog::SaveToRtf(const QString& fileName)
{
    Flush();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw ESaveError(QStringLiteral("Unable to save the log to %1: %2")
                             .arg(fileName, file.errorString())
                             .toStdString());
    bool complete = false;
    {
        RtfWriter writer(file);
        for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
            if (block != document()->begin() && block.userState() != kContinuation)
                writer.writeLineBreak();
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                writer.writeText(colourOf(fragment.charFormat()),
                                 fragment.text().replace(QChar::LineSeparator, QLatin1Char('\n')));
            }
        }
        writer.finish();
        complete = !writer.failed();
    }
    if (!complete) {
        const QString reason = file.error() != QFileDevice::NoError
                                   ? file.errorString()
                                   : QStringLiteral("the disk is full or the file is too large");
        file.cancelWriting();
        throw ESaveError(
            QStringLiteral("Unable to save the log to %1: %2").arg(fileName, reason).toStdString());
    }
    if (!file.commit())
        throw ESaveError(QStringLiteral("Unable to save the log to %1: %2")
                             .arg(fileName, file.errorString())
                             .toStdString());
}

} // namespace orv
