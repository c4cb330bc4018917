#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

// A grid in the vocabulary the handlers use: row 0 is the fixed header row, data rows start at
// 1; Rows() counts the header row. Cells hold text, a text colour and a background colour
// (invalid QColor = the grid's standard colour). There is a current cell (Row, Col) and a first
// visible row (TopRow). Column widths are in twips (15 to a pixel at 96 dpi).
//
// Built for a million rows: repeated texts share storage, an append costs the same at any
// size, and views are told about new rows at most once per frame while Rows() changes at once.
// The attached view shows model rows 1.. as its rows 0..; row 0 is its horizontal header.
class FlexGridModel : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlexGridModel)

public:
    // A new grid has the header row and one empty data row, like a freshly placed grid control.
    // Each row may also keep rowNotes texts that no view shows.
    explicit FlexGridModel(int columns, int rowNotes = 0, QObject* parent = nullptr);
    ~FlexGridModel() override;

    int Rows() const;
    void SetRows(int rows); // grows with empty rows or drops rows at the end; at least 1
    int Cols() const;
    void AddItem(const QString& text); // appends a row; text fills column 0
    void Clear();                      // every cell text and colour removed; rows stay

    QString TextMatrix(int row, int col) const;
    void SetTextMatrix(int row, int col, const QString& text);

    // An index outside the grid throws std::out_of_range, as the grid control raises an error.
    int Row() const;
    void SetRow(int row);
    int Col() const;
    void SetCol(int col);
    QString Text() const; // the current cell's text
    void SetText(const QString& text);
    void SetCellForeColor(const QColor& colour); // the current cell's; invalid = standard
    void SetCellBackColor(const QColor& colour);
    QColor CellForeColor(int row, int col) const;
    QColor CellBackColor(int row, int col) const;

    // The moment a data row was written, in ms since the epoch (0 = none).
    qint64 RowStamp(int row) const;
    void SetRowStamp(int row, qint64 msecsSinceEpoch);
    // A row's hidden texts, note 0 to rowNotes - 1; any other note throws std::out_of_range.
    QString RowNote(int row, int note) const;
    void SetRowNote(int row, int note, const QString& text);
    // What a data row shows as its tooltip, by model row; none when empty or not set.
    void setToolTipSource(std::function<QString(int row)> source);

    int TopRow() const;
    void SetTopRow(int row); // the view scrolls so that this row is first (on its next frame)

    int ColWidth(int col) const;          // twips
    void SetColWidth(int col, int twips); // a negative width restores the standard width

    // QAbstractTableModel, as seen by the view.
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Publishes pending rows to the views now instead of on the next frame.
    void flush();

signals:
    void topRowChanged(int row);
    void colWidthChanged(int col, int twips);

private:
    class Impl;
    std::unique_ptr<Impl> d;
};
