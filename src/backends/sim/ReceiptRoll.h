#pragma once

#include "backends/sim/SimulatedPrinter.h"
#include "opos/PrintDataParser.h"

#include <QVector>
#include <deque>

namespace sim {

// The paper that came out of the simulated printer: lines with their attributes, feeds and cuts.
// Keeps the newest items only, so that a long run costs bounded memory. Not thread-safe.
class ReceiptRoll
{
public:
    // What a piece of output cost the print head, for the output speed.
    struct Motion
    {
        int lines = 0;
        int cuts = 0;
    };

    // The longest feed of one sequence, as on a real printer (ESC d takes one byte).
    static constexpr int kMaxFeedLines = 255;
    // Lines from the simulated printer's head to its blade.
    static constexpr int kLinesToCutter = 4;

    explicit ReceiptRoll(qsizetype capacity = 5000) : m_capacity(capacity) {}

    // Prints one segment. Text wider than lineChars (half that in double width) wraps; a line
    // is kept until LF, a feed or a cut ends it. linesToCutter: the feed before a FeedAndCut.
    Motion add(const opos::PrintSegment& segment, int lineChars, int linesToCutter);
    // Prints a picture (a rendered barcode, a black-and-white image) on a line of its own, its
    // left edge `left` dots from the left of the printable width.
    Motion addPicture(std::shared_ptr<const opos::DotImage> picture, int left);
    // Prints a barcode or image request: its dots, and a barcode's readable text above or
    // below as a line of text in lineChars columns.
    Motion addGraphic(const opos::GraphicRequest& request, int lineChars);

    QVector<ReceiptItem> items() const;
    qsizetype size() const { return static_cast<qsizetype>(m_items.size()); }
    // Every item ever added, including those dropped for the capacity.
    qint64 appended() const { return m_appended; }
    void clear();
    void setCapacity(qsizetype capacity);

private:
    Motion endLine(bool emptyLineFeeds);
    void addReadableText(const opos::GraphicRequest& request, int lineChars, Motion& motion);
    void push(ReceiptItem item);
    void addText(const QString& text, const opos::TextStyle& style, int lineChars, Motion& motion);
    void skipUnseenLines(qsizetype remaining, qsizetype perLine, qsizetype& pos, Motion& motion);

    std::deque<ReceiptItem> m_items;
    qsizetype m_capacity;
    qint64 m_appended = 0;
    ReceiptItem m_line; // the line being filled
    int m_columns = 0;  // columns used by m_line
    bool m_lineStarted = false;
};

} // namespace sim
