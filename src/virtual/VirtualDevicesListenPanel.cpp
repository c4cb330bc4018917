#include "virtual/VirtualDevicesListenPanel.h"

#include "backends/netprinter/NetworkPrinter.h"
#include "backends/sim/SimulatedDevices.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <stdexcept>

VirtualDevicesListenPanel::VirtualDevicesListenPanel(sim::SimulatedDevices& devices,
                                                     QWidget* parent)
    : QGroupBox(tr("Network printer"), parent),
      m_network(
          std::make_unique<netprinter::NetworkPrinter>(devices.printer(), devices.cashDrawer())),
      m_listen(new QCheckBox(tr("Listen"))), m_address(new QLineEdit),
      m_serial(new QCheckBox(tr("Serial port"))), m_client(new QLabel)
{
    m_listen->setObjectName(QStringLiteral("vdListen"));
    m_address->setObjectName(QStringLiteral("vdListenAddress"));
    m_address->setText(QStringLiteral("127.0.0.1:9100"));
    m_address->setToolTip(tr("[ADDRESS:]PORT. Any address but 127.0.0.1 lets everyone who can "
                             "reach it print on the bench."));
    m_address->setMaximumWidth(
        m_address->fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255:65535")) + 16);
    m_serial->setObjectName(QStringLiteral("vdListenSerial"));
    m_serial->setToolTip(
        tr("Open a pseudo-terminal that an application opens as a serial printer"));
    m_client->setObjectName(QStringLiteral("vdListenClient"));
    m_client->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_client->setWordWrap(true);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_listen, 0, 0);
    layout->addWidget(m_address, 0, 1);
    layout->addWidget(m_serial, 0, 2);
    layout->addWidget(m_client, 1, 0, 1, 3);
    layout->setColumnStretch(1, 1);

    connect(m_listen, &QCheckBox::toggled, this, &VirtualDevicesListenPanel::listen);
    connect(m_serial, &QCheckBox::toggled, this, &VirtualDevicesListenPanel::openSerial);
    connect(m_network.get(), &netprinter::NetworkPrinter::activity, this,
            &VirtualDevicesListenPanel::showActivity);
    showIdle();
}

VirtualDevicesListenPanel::~VirtualDevicesListenPanel() = default;

void VirtualDevicesListenPanel::listen(bool on)
{
    m_warning.clear();
    if (!on) {
        m_network->stop();
        m_serial->setChecked(false);
        m_address->setEnabled(true);
        showIdle();
        return;
    }
    const QString error = m_network->listen(m_address->text());
    if (!error.isEmpty()) {
        const QSignalBlocker blocker(m_listen);
        m_listen->setChecked(false);
        m_client->setText(error);
        return;
    }
    try {
        if (!netprinter::parseListenAddress(m_address->text()).isLocalOnly())
            m_warning = tr("Anyone who can reach this address can print on the bench.");
    } catch (const std::invalid_argument&) {
        // listen() refused a malformed address already
    }
    m_address->setEnabled(false);
    showIdle();
}

void VirtualDevicesListenPanel::openSerial(bool on)
{
    if (!on) {
        // The pseudo-terminal closes with the listener.
        if (m_listen->isChecked())
            listen(false);
        return;
    }
    if (const QString error = m_network->openPseudoTerminal(); !error.isEmpty()) {
        const QSignalBlocker blocker(m_serial);
        m_serial->setChecked(false);
        m_client->setText(error);
        return;
    }
    m_serial->setText(m_network->pseudoTerminalPath());
    showIdle();
}

void VirtualDevicesListenPanel::showActivity(const QString& client, qint64 bytes)
{
    if (client.isEmpty()) {
        m_client->setText(tr("Last job: %1 bytes. No client.").arg(bytes));
        return;
    }
    m_client->setText(tr("Client %1: %2 bytes").arg(client).arg(bytes));
}

void VirtualDevicesListenPanel::showIdle()
{
    if (!m_network->pseudoTerminalPath().isEmpty())
        m_serial->setText(m_network->pseudoTerminalPath());
    else
        m_serial->setText(tr("Serial port"));
    QString text = m_network->isListening()
                       ? tr("Listening on port %1. No client.").arg(m_network->port())
                       : tr("Not listening.");
    if (!m_warning.isEmpty())
        text += QLatin1Char(' ') + m_warning;
    m_client->setText(text);
}
