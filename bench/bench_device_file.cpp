// Reading the device file: listing every entry (as the window does at start) and looking up the
// last name (as Open does) in files of 2,000, 20,000 and 100,000 device sections. The time per
// section should stay flat as the file grows.
#include "WidgetBenchmarkMain.h"
#include "backends/escpos/ConfiguredDevices.h"
#include "backends/escpos/DeviceFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QString writeDeviceFile(const QTemporaryDir& dir, int64_t sections)
{
    const QString path = dir.filePath(QStringLiteral("devices-%1.ini").arg(sections));
    if (QFile::exists(path))
        return path;
    QByteArray text;
    for (int64_t i = 0; i < sections; ++i)
        text += QByteArrayLiteral("[P") + QByteArray::number(i) +
                QByteArrayLiteral("]\nclass=PosPrinter\naddress=tcp://h\n");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
    return path;
}

const QTemporaryDir& folder()
{
    static const QTemporaryDir dir;
    return dir;
}

void BM_ListDevices(benchmark::State& state)
{
    const QString path = writeDeviceFile(folder(), state.range(0));
    for (auto _ : state) {
        const auto listed = escpos::listConfiguredDevices(path);
        if (!listed.error.isEmpty())
            state.SkipWithError(qPrintable(listed.error));
        benchmark::DoNotOptimize(listed.devices.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListDevices)->Arg(2000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FindLastDevice(benchmark::State& state)
{
    const escpos::DeviceFile file(writeDeviceFile(folder(), state.range(0)));
    const QString last = QStringLiteral("P%1").arg(state.range(0) - 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(file.find(last).has_value());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FindLastDevice)->Arg(2000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarksIn<QCoreApplication>(argc, argv);
}
