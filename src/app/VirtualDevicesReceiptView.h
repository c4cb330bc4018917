#pragma once

#include "backends/sim/SimulatedPrinter.h"

#include <QAbstractScrollArea>
#include <deque>

// The simulated receipt roll drawn as paper: printed lines with their attributes, feeds, and a
// tear line for every cut. Keeps only the newest items and paints only the visible ones, so a
// roll of a hundred thousand lines costs no more than a short one.
class VirtualDevicesReceiptView : public QAbstractScrollArea
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VirtualDevicesReceiptView)

public:
    static constexpr int kKeptItems = 20000;
    static constexpr int kPaperColumns = 48;

    explicit VirtualDevicesReceiptView(QWidget* parent = nullptr);

    // Adds items[from..] to the end of the roll and scrolls to the newest.
    void append(const QVector<sim::ReceiptItem>& items, qsizetype from = 0);
    void clear();

    int itemCount() const { return static_cast<int>(m_entries.size()); }
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
        qint64 top = 0; // on the whole roll since the last clear
        int height = 0;
    };

    QFont lineFont(const sim::ReceiptItem& item) const;
    int charWidth() const;
    int lineHeight() const;
    int rowsOf(const sim::ReceiptItem& item) const;
    int heightOf(const sim::ReceiptItem& item) const;
    int paperLeft() const;
    int paperWidth() const;
    int contentTop() const;
    qint64 rollHeight() const;
    void updateScrollRange();
    void paintLine(QPainter& painter, const Entry& entry, int y) const;
    void paintCut(QPainter& painter, const Entry& entry, int y) const;
    void paintTearEdge(QPainter& painter, int y, bool pointingUp) const;

    QFont m_font;
    std::deque<Entry> m_entries;
    qint64 m_dropped = 0;
};
