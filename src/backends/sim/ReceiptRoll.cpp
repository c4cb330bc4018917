#include "backends/sim/ReceiptRoll.h"

#include <algorithm>
#include <utility>

namespace sim {

namespace {

ReceiptItem::Align toAlign(opos::Alignment align)
{
    switch (align) {
    case opos::Alignment::Centre:
        return ReceiptItem::Align::Centre;
    case opos::Alignment::Right:
        return ReceiptItem::Align::Right;
    case opos::Alignment::Left:
        break;
    }
    return ReceiptItem::Align::Left;
}

ReceiptItem::Run runStyle(const opos::TextStyle& style)
{
    ReceiptItem::Run run;
    run.bold = style.bold;
    run.underline = style.underline > 0;
    run.doubleWidth = style.doubleWidth;
    run.doubleHeight = style.doubleHeight;
    return run;
}

bool sameStyle(const ReceiptItem::Run& a, const ReceiptItem::Run& b)
{
    return a.bold == b.bold && a.underline == b.underline && a.doubleWidth == b.doubleWidth &&
           a.doubleHeight == b.doubleHeight;
}

} // namespace

ReceiptRoll::Motion ReceiptRoll::add(const opos::PrintSegment& segment, int lineChars,
                                     int linesToCutter)
{
    using Kind = opos::PrintSegment::Kind;
    Motion motion;
    lineChars = std::max(lineChars, 2);
    switch (segment.kind) {
    case Kind::Text:
        addText(segment.text, segment.style, lineChars, motion);
        break;
    case Kind::NewLine:
        if (!m_lineStarted) {
            m_line.align = toAlign(segment.style.align);
            m_lineStarted = true;
        }
        motion = endLine(true);
        break;
    case Kind::FeedLines:
        motion = endLine(false);
        if (segment.number > 0) {
            ReceiptItem feed;
            feed.kind = ReceiptItem::Kind::Feed;
            feed.lines = std::min(segment.number, kMaxFeedLines);
            push(feed);
            motion.lines += feed.lines;
        }
        break;
    case Kind::FeedAndCut:
    case Kind::Cut: {
        motion = endLine(false);
        if (segment.kind == Kind::FeedAndCut && linesToCutter > 0) {
            ReceiptItem feed;
            feed.kind = ReceiptItem::Kind::Feed;
            feed.lines = linesToCutter;
            push(feed);
            motion.lines += linesToCutter;
        }
        ReceiptItem cut;
        cut.kind =
            segment.number >= 100 ? ReceiptItem::Kind::FullCut : ReceiptItem::Kind::PartialCut;
        push(cut);
        ++motion.cuts;
        break;
    }
    case Kind::Bitmap:
    case Kind::TopLogo:
    case Kind::BottomLogo:
    case Kind::BarCode: {
        // Pictures are shown as a placeholder line of their own.
        motion = endLine(false);
        const QString what = segment.kind == Kind::Bitmap
                                 ? QStringLiteral("[bitmap %1]").arg(segment.number)
                             : segment.kind == Kind::BarCode ? QStringLiteral("[barcode]")
                             : segment.kind == Kind::TopLogo ? QStringLiteral("[top logo]")
                                                             : QStringLiteral("[bottom logo]");
        ReceiptItem picture;
        picture.text = what;
        picture.align = ReceiptItem::Align::Centre;
        push(picture);
        ++motion.lines;
        break;
    }
    case Kind::ReverseFeed:
    case Kind::Raw:
        break; // nothing visible on the roll
    }
    return motion;
}

void ReceiptRoll::addText(const QString& text, const opos::TextStyle& style, int lineChars,
                          Motion& motion)
{
    const int width = style.doubleWidth ? 2 : 1;
    const ReceiptItem::Run look = runStyle(style);
    // A line's worth at a time: a long text is laid out without a step per character.
    for (qsizetype pos = 0; pos < text.size();) {
        if (m_columns + width > lineChars) {
            const Motion wrapped = endLine(true);
            motion.lines += wrapped.lines;
        }
        if (m_columns == 0 && !m_lineStarted)
            skipUnseenLines(text.size() - pos, std::max(1, lineChars / width), pos, motion);
        // After a wrap one character goes on the line even when it is wider than the line.
        const qsizetype fits = std::max(1, (lineChars - m_columns) / width);
        const QStringView piece = QStringView(text).mid(pos, fits);
        if (!m_lineStarted) {
            m_line.align = toAlign(style.align);
            m_lineStarted = true;
        }
        if (m_line.runs.isEmpty() || !sameStyle(m_line.runs.back(), look))
            m_line.runs.append(look);
        m_line.runs.back().text.append(piece);
        m_line.text.append(piece);
        m_line.bold = m_line.bold || look.bold;
        m_line.underline = m_line.underline || look.underline;
        m_line.doubleWidth = m_line.doubleWidth || look.doubleWidth;
        m_line.doubleHeight = m_line.doubleHeight || look.doubleHeight;
        m_columns += width * static_cast<int>(piece.size());
        pos += piece.size();
    }
}

// Whole lines a long text would push off the far end of the roll before it ends are counted
// as printed without being laid out; the roll keeps what it would have kept.
void ReceiptRoll::skipUnseenLines(qsizetype remaining, qsizetype perLine, qsizetype& pos,
                                  Motion& motion)
{
    const qsizetype unseen = remaining / perLine - m_capacity - 1;
    if (unseen <= 0)
        return;
    pos += unseen * perLine;
    motion.lines += static_cast<int>(unseen);
    m_appended += unseen;
}

ReceiptRoll::Motion ReceiptRoll::endLine(bool emptyLineFeeds)
{
    if (!m_lineStarted && !emptyLineFeeds)
        return {};
    push(std::exchange(m_line, {}));
    m_columns = 0;
    m_lineStarted = false;
    return {1, 0};
}

void ReceiptRoll::push(ReceiptItem item)
{
    m_items.push_back(std::move(item));
    ++m_appended;
    while (static_cast<qsizetype>(m_items.size()) > m_capacity)
        m_items.pop_front();
}

QVector<ReceiptItem> ReceiptRoll::items() const
{
    return QVector<ReceiptItem>(m_items.begin(), m_items.end());
}

void ReceiptRoll::clear()
{
    m_items.clear();
    m_line = {};
    m_columns = 0;
    m_lineStarted = false;
}

void ReceiptRoll::setCapacity(qsizetype capacity)
{
    m_capacity = std::max<qsizetype>(capacity, 1);
    while (static_cast<qsizetype>(m_items.size()) > m_capacity)
        m_items.pop_front();
}

} // namespace sim
