#include "virtual/VirtualDevicesReceiptPanel.h"

#include "backends/sim/SimulatedPrinter.h"
#include "virtual/VirtualDevicesReceiptView.h"

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
    connect(&m_fetch, &QTimer::timeout, this, &VirtualDevicesReceiptPanel::fetchRoll);
    connect(&m_printer, &sim::SimulatedPrinter::receiptChanged, this, [this] {
        if (!m_fetch.isActive())
            m_fetch.start();
    });
    connect(m_clear, &QPushButton::clicked, this, &VirtualDevicesReceiptPanel::clearReceipt);
    fetchRoll();
}

// The device keeps only its newest items; showing its whole roll each time stays exact across
// clears and dropped items, and costs little at one fetch per frame.
void VirtualDevicesReceiptPanel::fetchRoll()
{
    m_view->setItems(m_printer.receipt());
}

void VirtualDevicesReceiptPanel::clearReceipt()
{
    m_printer.clearReceipt();
    m_view->clear();
}
