#include "app/PrinterListView.h"

#include "services/PrinterListModel.h"

#include <QItemSelectionModel>

PrinterListView::PrinterListView(PrinterListModel& list, QWidget* parent)
    : QListView(parent), m_list(list)
{
    setModel(&list);
    setUniformItemSizes(true);
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    connect(&list, &PrinterListModel::listIndexChanged, this,
            [this](int index) { showListIndex(index); });
    // A click selects an item, as in a list box.
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && current.row() < m_list.ListCount())
                    m_list.SetListIndex(current.row());
            });
}

void PrinterListView::showListIndex(int index)
{
    if (index < 0) {
        selectionModel()->clear();
        return;
    }
    const QModelIndex item = model()->index(index, 0);
    selectionModel()->setCurrentIndex(item, QItemSelectionModel::ClearAndSelect);
    scrollTo(item);
}
