// Barcodes and images: a receipt of 100 QR codes and 100 Code 128 symbols on the instant
// simulated printer (checked, encoded, rendered onto the roll) and its saved picture; a 576 x
// 2000 image made ready for an ESC/POS printer (decoded, dithered, turned into raster bands),
// CPU time per image.
#include "SimulatedPrinterBench.h"
#include "backends/escpos/GraphicCommands.h"
#include "backends/sim/ReceiptImage.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/BitmapImages.h"
#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <benchmark/benchmark.h>

namespace {

using Bench = SimulatedPrinterBench;

int printSymbols(opos::PosPrinter& printer)
{
    int failures = 0;
    for (int i = 0; i < 100; ++i) {
        const QString number = QStringLiteral("%1").arg(i, 8, 10, QLatin1Char('0'));
        failures += printer.PrintBarCode(opos::PTR_S_RECEIPT,
                                         QStringLiteral("https://example.com/r/") + number,
                                         opos::PTR_BCS_QRCODE, 200, 200, opos::PTR_BC_CENTER,
                                         opos::PTR_BC_TEXT_NONE) != opos::OPOS_SUCCESS;
        failures += printer.PrintBarCode(opos::PTR_S_RECEIPT, QStringLiteral("RET-") + number,
                                         opos::PTR_BCS_Code128, 80, 400, opos::PTR_BC_CENTER,
                                         opos::PTR_BC_TEXT_BELOW) != opos::OPOS_SUCCESS;
    }
    return failures;
}

void BM_SimulatedReceiptOf200Symbols(benchmark::State& state)
{
    Bench bench;
    int failures = 0;
    for (auto _ : state) {
        bench.devices.printer().clearReceipt();
        failures += printSymbols(bench.printer);
    }
    state.counters["symbols/s"] =
        benchmark::Counter(200.0 * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["failures"] = failures;
}
BENCHMARK(BM_SimulatedReceiptOf200Symbols)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_PictureOfThatReceipt(benchmark::State& state)
{
    Bench bench;
    printSymbols(bench.printer);
    const auto items = bench.devices.printer().receipt();
    int height = 0;
    for (auto _ : state) {
        const QImage picture = receipt_image::render(items);
        height = picture.height();
    }
    state.counters["dots high"] = height;
}
BENCHMARK(BM_PictureOfThatReceipt)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// A photograph-like picture: grey tones everywhere, so the dither has work on every dot.
QByteArray photoPng()
{
    QImage image(576, 2000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int grey = (x * 255 / 575 + y / 8) % 256;
            image.setPixel(x, y, qRgb(grey, grey, grey));
        }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return bytes;
}

void BM_EscPosImage576x2000(benchmark::State& state)
{
    const QByteArray png = photoPng();
    qint64 sent = 0;
    for (auto _ : state) {
        const opos::PreparedBitmap prepared = opos::prepareBitmapData(png, "png", 0, 576);
        opos::GraphicRequest request;
        request.kind = opos::GraphicRequest::Kind::Bitmap;
        request.station = opos::PTR_S_RECEIPT;
        request.image = prepared.image;
        sent = escpos::graphicCommands(request, 576).bytes.size();
        benchmark::DoNotOptimize(sent);
    }
    state.counters["bytes"] = double(sent);
}
BENCHMARK(BM_EscPosImage576x2000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_EscPosRasterOnly576x2000(benchmark::State& state)
{
    const opos::PreparedBitmap prepared = opos::prepareBitmapData(photoPng(), "png", 0, 576);
    opos::GraphicRequest request;
    request.kind = opos::GraphicRequest::Kind::Bitmap;
    request.image = prepared.image;
    for (auto _ : state)
        benchmark::DoNotOptimize(escpos::graphicCommands(request, 576).bytes.size());
}
BENCHMARK(BM_EscPosRasterOnly576x2000)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv)
{
    // The receipt picture draws text, which needs a GUI application (offscreen is enough).
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
