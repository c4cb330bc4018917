#pragma once

#include <QTableView>

class FlexGridModel;

// A table view that shows a FlexGridModel the way the grid control looks: row 0 as the column
// header, no row header, fixed row heights, column widths from the model's twips, and the
// model's first visible row kept in view.
class FlexGridView : public QTableView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlexGridView)

public:
    explicit FlexGridView(FlexGridModel& grid, QWidget* parent = nullptr);

    FlexGridModel& grid() const { return m_grid; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyColWidth(int col, int twips);
    void showTopRow(int row);
    void fitRowHeight();

    FlexGridModel& m_grid;
};
