#include "app/VirtualDevicesReceiptPanel.h"

#include "app/VirtualDevicesReceiptView.h"
#include "backends/sim/SimulatedPrinter.h"

#include <QPushButton>
#include <QVBoxLayout>

VirtualDevicesReceiptPanel::VirtualDevicesReceiptPanel(sim::SimulatedPrinter& printer,
                                                       QWidget* parent)
    : QGroupBox(tr("Receipt"), parent), m_printer(printer), m_view(new VirtualDevicesReceiptView),
      m_clear(new QPushButton(tr("Clear receipt")))
{
    m_view->setObjectName(QStringLiteral("vdReceipt"));
    m_clear->setObjectName(QStringLiteral("vdClearReceipt"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_clear, 0, Qt::AlignRight);

    m_fetch.setSingleShot(true);
    m_fetch.setInterval(16);
    connect(&m_fetch, &QTimer::timeout, this, &VirtualDevicesReceiptPanel::fetchNewItems);
    connect(&m_printer, &sim::SimulatedPrinter::receiptChanged, this, [this] {
        if (!m_fetch.isActive())
            m_fetch.start();
    });
    connect(m_clear, &QPushButton::clicked, this, &VirtualDevicesReceiptPanel::clearReceipt);
    fetchNewItems();
}

void VirtualDevicesReceiptPanel::fetchNewItems()
{
    const QVector<sim::ReceiptItem> roll = m_printer.receipt();
    if (roll.size() < m_taken) { // cleared meanwhile
        m_view->clear();
        m_taken = 0;
    }
    if (roll.size() > m_taken)
        m_view->append(roll, m_taken);
    m_taken = roll.size();
}

void VirtualDevicesReceiptPanel::clearReceipt()
{
    m_printer.clearReceipt();
    m_view->clear();
    m_taken = 0;
}
