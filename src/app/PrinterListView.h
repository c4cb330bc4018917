#pragma once

#include <QListView>

class PrinterListModel;

// The printed-lines list: shows a PrinterListModel and keeps its selected item selected and in
// view. Uniform item sizes keep appending cheap at a million items.
class PrinterListView : public QListView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PrinterListView)

public:
    explicit PrinterListView(PrinterListModel& list, QWidget* parent = nullptr);

private:
    void showListIndex(int index);

    PrinterListModel& m_list;
};
