#pragma once

#include "backends/sim/SimulatedPrinter.h"

#include <QAbstractScrollArea>
#include <array>
#include <vector>

// The simulated receipt roll drawn as paper: printed lines with their attributes, feeds, and a
// tear line for every cut. Shows at most the newest kKeptItems and paints only the visible ones,
// so a long roll costs no more than a short one.
class VirtualDevicesReceiptView : public QAbstractScrollArea
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VirtualDevicesReceiptView)

public:
    static constexpr int kKeptItems = 20000;
    static constexpr int kPaperColumns = 48;

    explicit VirtualDevicesReceiptView(QWidget* parent = nullptr);

    // Shows the roll (its newest kKeptItems) and scrolls to the newest output.
    void setItems(const QVector<sim::ReceiptItem>& items);
    void clear() { setItems({}); }

    int itemCount() const { return static_cast<int>(m_entries.size()); }
    // Items of the last roll that were left out to stay within kKeptItems.
    const sim::ReceiptItem& item(int index) const;
    qint64 droppedItems() const { return m_dropped; }
    // Where an item lies on the roll, in viewport coordinates at the current scroll position.
    QRect itemRect(int index) const;
    // The rectangle of the paper's printable area, in viewport coordinates (ignoring scroll).
    QRect printableArea() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Entry
    {
        sim::ReceiptItem item;
        int top = 0; // from the start of the shown roll
        int height = 0;
    };

    const QFont& runFont(const sim::ReceiptItem::Run& run) const;
    int heightOf(const sim::ReceiptItem& item) const;
    int paperLeft() const;
    int paperWidth() const;
    int contentTop() const;
    int rollHeight() const;
    void updateScrollRange();
    void paintLine(QPainter& painter, const Entry& entry, int y) const;
    void paintCut(QPainter& painter, const Entry& entry, int y) const;
    void paintPicture(QPainter& painter, const Entry& entry, int y) const;
    // Pixels per printer dot: the paper's columns are 12 dots each.
    static qreal pictureScale(int charWidth) { return charWidth / 12.0; }
    void paintTearEdge(QPainter& painter, int y, bool pointingUp) const;

    QFont m_font;
    std::array<QFont, 4> m_runFonts; // plain, bold, underlined, bold underlined
    int m_charWidth = 0;             // one column of the paper, in whole pixels
    int m_cellInset = 0;             // from a column's left to its character
    bool m_overstrikeBold = false;   // the font has no bold face of its own
    int m_lineHeight = 0;
    std::vector<Entry> m_entries;
    qint64 m_dropped = 0;
};
