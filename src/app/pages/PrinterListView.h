#pragma once

#include <QListView>

class PrinterListModel;

// The printed-lines list: shows a PrinterListModel and keeps its selected item selected and in
// view. Every row has the same height, so where a row lies is computed, never laid out: an
// appended item, a selection and a repaint cost the same at item 10 and at item 10,000,000
// (a plain QListView lays out all of its rows after each batch of new rows).
class PrinterListView : public QListView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PrinterListView)

public:
    explicit PrinterListView(PrinterListModel& list, QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void doItemsLayout() override;

protected:
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = {}) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showListIndex(int index);
    int rowHeight() const;
    int rowCount() const;
    int topRow() const;
    int fullyVisibleRows() const;
    // The rectangle of rows first..last in viewport coordinates, clipped to the viewport.
    QRect rowsRect(int first, int last) const;

    PrinterListModel& m_list;
    mutable int m_rowHeight = 0; // 0: not measured since the font changed
};
