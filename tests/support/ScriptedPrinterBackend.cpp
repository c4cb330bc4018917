#include "support/ScriptedPrinterBackend.h"

#include "opos/OposConstants.h"

#include <stdexcept>

using opos::DeviceResult;

PrinterScript::PrinterScript()
{
    // A receipt-only printer with the capabilities the control layer looks at.
    for (const char* name : {"CapRecPresent", "CapRecPapercut", "CapTransaction",
                             "CapMapCharacterSet", "CapRecRight90"})
        properties.insert(QLatin1String(name), true);
    properties.insert(QStringLiteral("CapPowerReporting"), 1);
    properties.insert(QStringLiteral("CapRecColor"), 1);
    properties.insert(QStringLiteral("CharacterSet"), 437);
    properties.insert(QStringLiteral("CharacterSetList"), QStringLiteral("437,850"));
    properties.insert(QStringLiteral("RecLineChars"), 48);
    properties.insert(QStringLiteral("RecLineCharsList"), QStringLiteral("48,64"));
    properties.insert(QStringLiteral("RecLineHeight"), 24);
    properties.insert(QStringLiteral("RecLineSpacing"), 30);
    properties.insert(QStringLiteral("RecLineWidth"), 576);
    properties.insert(QStringLiteral("DeviceName"), QStringLiteral("Scripted printer"));
    properties.insert(QStringLiteral("DotsPerInch"), 200);
}

QStringList PrinterScript::takeCalls()
{
    const std::lock_guard lock(mutex);
    return std::exchange(calls, {});
}

void PrinterScript::hold()
{
    const std::lock_guard lock(mutex);
    holdOutput = true;
}

void PrinterScript::letGo()
{
    std::shared_ptr<opos::Waiter> woken;
    {
        const std::lock_guard lock(mutex);
        holdOutput = false;
        woken = waiter;
    }
    released.notify_all();
    if (woken)
        woken->wake();
}

void PrinterScript::changeStatus(const opos::PrinterStatus& now)
{
    opos::PrinterBackendListener* told = nullptr;
    {
        const std::lock_guard lock(mutex);
        status = now;
        told = listener;
    }
    if (told)
        told->statusChanged(now);
}

ScriptedPrinterBackend::ScriptedPrinterBackend(std::shared_ptr<PrinterScript> script,
                                               std::shared_ptr<opos::Waiter> waiter)
    : m_script(std::move(script)), m_waiter(std::move(waiter))
{
    const std::lock_guard lock(m_script->mutex);
    m_script->waiter = m_waiter;
}

void ScriptedPrinterBackend::record(const QString& call)
{
    const std::lock_guard lock(m_script->mutex);
    m_script->calls.append(call);
}

void ScriptedPrinterBackend::setListener(opos::PrinterBackendListener* listener)
{
    const std::lock_guard lock(m_script->mutex);
    m_script->listener = listener;
}

DeviceResult ScriptedPrinterBackend::open()
{
    record(QStringLiteral("open"));
    const std::lock_guard lock(m_script->mutex);
    return m_script->openResult;
}

void ScriptedPrinterBackend::close()
{
    record(QStringLiteral("close"));
}

DeviceResult ScriptedPrinterBackend::claim(int32_t timeoutMs)
{
    record(QStringLiteral("claim %1").arg(timeoutMs));
    const std::lock_guard lock(m_script->mutex);
    return m_script->claimResult;
}

void ScriptedPrinterBackend::release()
{
    record(QStringLiteral("release"));
}

DeviceResult ScriptedPrinterBackend::enable()
{
    record(QStringLiteral("enable"));
    const std::lock_guard lock(m_script->mutex);
    return m_script->enableResult;
}

void ScriptedPrinterBackend::disable()
{
    record(QStringLiteral("disable"));
}

opos::PrinterStatus ScriptedPrinterBackend::status()
{
    const std::lock_guard lock(m_script->mutex);
    return m_script->status;
}

DeviceResult ScriptedPrinterBackend::output(const QString& call)
{
    std::unique_lock lock(m_script->mutex);
    m_script->calls.append(call);
    if (m_script->holdOutput && m_script->waitThroughWaiter) {
        const QDeadlineTimer deadline = m_script->waitTimeoutMs < 0
                                            ? QDeadlineTimer(QDeadlineTimer::Forever)
                                            : QDeadlineTimer(m_script->waitTimeoutMs);
        lock.unlock();
        const auto outcome = m_waiter->wait(QStringLiteral("Scripted"), deadline, [this] {
            const std::lock_guard held(m_script->mutex);
            return !m_script->holdOutput;
        });
        lock.lock();
        if (outcome == opos::Waiter::Outcome::Cancelled)
            return opos::cancelledWait(QStringLiteral("Scripted"));
        if (outcome == opos::Waiter::Outcome::TimedOut)
            return {opos::OPOS_E_TIMEOUT, 0, QStringLiteral("The printer did not confirm")};
    }
    m_script->released.wait(lock, [this] { return !m_script->holdOutput; });
    if (std::exchange(m_script->throwOnNextOutput, false))
        throw std::runtime_error("scripted failure");
    if (m_script->outputResults.empty())
        return {};
    const DeviceResult result = m_script->outputResults.front();
    m_script->outputResults.pop_front();
    return result;
}

DeviceResult ScriptedPrinterBackend::print(int32_t station, const QString& data, opos::OutputMode)
{
    return output(QStringLiteral("print %1 %2").arg(station).arg(data));
}

DeviceResult ScriptedPrinterBackend::cutPaper(int32_t percentage, opos::OutputMode)
{
    return output(QStringLiteral("cut %1").arg(percentage));
}

DeviceResult ScriptedPrinterBackend::directIO(int32_t command, int32_t* data, QString* text)
{
    record(QStringLiteral("directIO %1 %2 %3").arg(command).arg(*data).arg(*text));
    *data += 1;
    text->append(QStringLiteral("!"));
    return {};
}

QVariantMap ScriptedPrinterBackend::deviceProperties()
{
    const std::lock_guard lock(m_script->mutex);
    return m_script->properties;
}

DeviceResult ScriptedPrinterBackend::setDeviceProperty(const QString& name, const QVariant& value)
{
    record(QStringLiteral("set %1 %2").arg(name, value.toString()));
    const std::lock_guard lock(m_script->mutex);
    m_script->properties.insert(name, value);
    return {};
}

void ScriptedPrinterBackend::abortOutput()
{
    m_script->letGo();
}

void addScriptedPrinter(opos::DeviceRegistry& registry, std::shared_ptr<PrinterScript> script)
{
    // The resolver lives in the registry, so it may keep it to hand the backend its waiter.
    registry.addPrinterResolver([script, devices = &registry](const QString& name)
                                    -> std::optional<opos::Lookup<opos::PrinterBackend>> {
        if (name != QLatin1String("Scripted"))
            return std::nullopt;
        return opos::Lookup<opos::PrinterBackend>{
            std::make_unique<ScriptedPrinterBackend>(script, devices->waiter()), 0, {}};
    });
}
