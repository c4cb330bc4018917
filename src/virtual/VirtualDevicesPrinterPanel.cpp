#include "virtual/VirtualDevicesPrinterPanel.h"

#include "backends/sim/SimulatedPrinter.h"
#include "opos/OposConstants.h"
#include "services/NameTables.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <array>

using opos::PaperState;
using opos::PowerState;

namespace {

// What "fail the next call" can make the device answer, besides a run-time failure (the last
// choice of the list).
const std::array kFailureCodes{
    sim::InjectedFailure{false, opos::OPOS_E_FAILURE, 0},
    sim::InjectedFailure{false, opos::OPOS_E_OFFLINE, 0},
    sim::InjectedFailure{false, opos::OPOS_E_NOHARDWARE, 0},
    sim::InjectedFailure{false, opos::OPOS_E_TIMEOUT, 0},
    sim::InjectedFailure{false, opos::OPOS_E_BUSY, 0},
    sim::InjectedFailure{false, opos::OPOS_E_ILLEGAL, 0},
    sim::InjectedFailure{false, opos::OPOS_E_EXTENDED, opos::OPOS_EPTR_COVER_OPEN},
    sim::InjectedFailure{false, opos::OPOS_E_EXTENDED, opos::OPOS_EPTR_REC_EMPTY},
    sim::InjectedFailure{false, opos::OPOS_E_EXTENDED, opos::OPOS_EPTR_TOOBIG},
    sim::InjectedFailure{false, opos::OPOS_E_EXTENDED, opos::OPOS_EPTR_BADFORMAT},
};

QString failureName(const sim::InjectedFailure& failure)
{
    if (failure.runTimeFailure)
        return QObject::tr("Run-time failure");
    return DecodeResultCode(failure.resultCode == opos::OPOS_E_EXTENDED ? failure.extended
                                                                        : failure.resultCode);
}

QString armedText(const QString& failure)
{
    return QObject::tr("Armed: %1").arg(failure);
}

QString yesNo(bool value)
{
    return value ? QObject::tr("Yes") : QObject::tr("No");
}

QLabel* liveLabel(const QString& objectName)
{
    auto* label = new QLabel;
    label->setObjectName(objectName);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QComboBox* choiceBox(const QString& objectName, const QStringList& texts)
{
    auto* box = new QComboBox;
    box->setObjectName(objectName);
    box->addItems(texts);
    return box;
}

// The combo boxes list the enum values in declaration order.
template <typename Enum> void showChoice(QComboBox* box, Enum value)
{
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(static_cast<int>(value));
}

} // namespace

VirtualDevicesPrinterPanel::VirtualDevicesPrinterPanel(sim::SimulatedPrinter& printer,
                                                       QWidget* parent)
    : QGroupBox(tr("Printer"), parent), m_printer(printer)
{
    buildControls();
    connectControls();
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(16);
    connect(&m_refresh, &QTimer::timeout, this, &VirtualDevicesPrinterPanel::refresh);
    refresh();
}

void VirtualDevicesPrinterPanel::buildControls()
{
    m_coverOpen = new QCheckBox(tr("Cover open"));
    m_coverOpen->setObjectName(QStringLiteral("vdCoverOpen"));
    m_paper = choiceBox(QStringLiteral("vdPaperState"), {tr("OK"), tr("Near end"), tr("Empty")});
    m_power = choiceBox(QStringLiteral("vdPower"),
                        {tr("On"), tr("Off"), tr("Offline"), tr("Off and offline")});
    m_held = new QCheckBox(tr("Held by another application"));
    m_held->setObjectName(QStringLiteral("vdHeld"));
    m_speed = choiceBox(QStringLiteral("vdSpeed"), {tr("Instant"), tr("Realistic")});
    m_failCode = new QComboBox;
    m_failCode->setObjectName(QStringLiteral("vdFailCode"));
    for (const sim::InjectedFailure& failure : kFailureCodes)
        m_failCode->addItem(failureName(failure));
    m_failCode->addItem(failureName(sim::InjectedFailure{true, 0, 0}));
    m_failNext = new QPushButton(tr("Fail next call"));
    m_failNext->setObjectName(QStringLiteral("vdFailNext"));
    m_failPending = liveLabel(QStringLiteral("vdFailPending"));
    // Wide enough from the start for any failure it may name: arming one never widens the window.
    int widest = m_failPending->fontMetrics().horizontalAdvance(tr("Not armed"));
    for (int i = 0; i < m_failCode->count(); ++i)
        widest = std::max(widest, m_failPending->fontMetrics().horizontalAdvance(
                                      armedText(m_failCode->itemText(i))));
    m_failPending->setMinimumWidth(widest);
    m_state = liveLabel(QStringLiteral("vdState"));
    m_claimed = liveLabel(QStringLiteral("vdClaimed"));
    m_enabled = liveLabel(QStringLiteral("vdEnabled"));
    m_queued = liveLabel(QStringLiteral("vdQueued"));

    auto* failRow = new QHBoxLayout;
    failRow->addWidget(m_failNext);
    failRow->addWidget(m_failPending, 1);
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* form = new QFormLayout(this);
    form->addRow(tr("Cover:"), m_coverOpen);
    form->addRow(tr("Receipt paper:"), m_paper);
    form->addRow(tr("Power:"), m_power);
    form->addRow(tr("Claim:"), m_held);
    form->addRow(tr("Output speed:"), m_speed);
    form->addRow(tr("Next call fails:"), m_failCode);
    form->addRow(QString(), failRow);
    form->addRow(line);
    form->addRow(tr("State:"), m_state);
    form->addRow(tr("Claimed:"), m_claimed);
    form->addRow(tr("Enabled:"), m_enabled);
    form->addRow(tr("Queued outputs:"), m_queued);
}

void VirtualDevicesPrinterPanel::connectControls()
{
    connect(m_coverOpen, &QCheckBox::toggled, this,
            [this](bool open) { m_printer.setCoverOpen(open); });
    connect(m_paper, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_printer.setPaper(static_cast<PaperState>(index)); });
    connect(m_power, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_printer.setPower(static_cast<PowerState>(index)); });
    connect(m_held, &QCheckBox::toggled, this,
            [this](bool held) { m_printer.setHeldElsewhere(held); });
    connect(m_speed, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_printer.setOutputSpeed(static_cast<sim::OutputSpeed>(index)); });
    connect(m_failNext, &QPushButton::clicked, this, &VirtualDevicesPrinterPanel::armFailure);

    connect(&m_printer, &sim::SimulatedPrinter::statusChanged, this,
            &VirtualDevicesPrinterPanel::scheduleRefresh);
    connect(&m_printer, &sim::SimulatedPrinter::activityChanged, this,
            &VirtualDevicesPrinterPanel::scheduleRefresh);
}

void VirtualDevicesPrinterPanel::armFailure()
{
    const auto index = static_cast<std::size_t>(m_failCode->currentIndex());
    m_printer.failNextCall(index < kFailureCodes.size() ? kFailureCodes[index]
                                                        : sim::InjectedFailure{true, 0, 0});
    refresh();
}

void VirtualDevicesPrinterPanel::scheduleRefresh()
{
    if (!m_refresh.isActive())
        m_refresh.start();
}

void VirtualDevicesPrinterPanel::refresh()
{
    const opos::PrinterStatus status = m_printer.status();
    {
        const QSignalBlocker blocker(m_coverOpen);
        m_coverOpen->setChecked(status.coverOpen);
    }
    {
        const QSignalBlocker blocker(m_held);
        m_held->setChecked(m_printer.heldElsewhere());
    }
    showChoice(m_paper, status.receiptPaper);
    showChoice(m_power, status.power);
    showChoice(m_speed, m_printer.outputSpeed());

    const auto pending = m_printer.pendingFailure();
    m_failPending->setText(pending ? armedText(failureName(*pending)) : tr("Not armed"));
    const sim::SimulatedPrinter::Activity activity = m_printer.activity();
    m_state->setText(decodeStateValue(activity.state));
    m_claimed->setText(yesNo(activity.claimed));
    m_enabled->setText(yesNo(activity.enabled));
    m_queued->setText(QString::number(activity.queuedOutputs));
}
