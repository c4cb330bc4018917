#pragma once

#include "backends/netprinter/CodeTables.h"
#include "backends/netprinter/CommandFraming.h"
#include "backends/netprinter/StreamGraphic.h"
#include "backends/netprinter/VirtualPrinterDevice.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace netprinter {

// Interprets one ESC/POS byte stream as a receipt printer does: text and styles go onto the
// simulated roll, status requests are answered from the simulated device's state, drawer pulses
// open the simulated drawer. While the printer cannot print (cover open, paper out, offline) it
// holds what it receives and still answers the real-time requests; it never stops on a command
// it does not know. Not thread-safe: one thread feeds it.
class EscPosInterpreter
{
public:
    struct Output
    {
        std::function<void(QByteArrayView)> reply;      // bytes back to the sender
        std::function<void(const QString&)> transcript; // one line per event; may be empty
        std::function<void()> cut;                      // a cut reached the roll
    };

    // Data held while the printer cannot print; the reader stops taking more beyond it.
    static constexpr qsizetype kMaxHeld = 1 << 20;
    // The most image or symbol data kept for rendering; larger data is skipped unseen.
    static constexpr qsizetype kMaxKept = 4 << 20;

    EscPosInterpreter(VirtualPrinterDevice& device, Output output);

    void feed(QByteArrayView bytes);
    // The device's state may have changed: print what was held, send automatic status back.
    void deviceChanged();
    // The stream ended: print the unfinished line, say what was cut short.
    void finish();

    qsizetype heldBytes() const { return m_pending.size(); }
    int cuts() const { return m_cuts; }

private:
    struct Payload
    {
        QByteArray header;
        qint64 remaining = 0;
        qint64 total = 0;
        QByteArray kept;
        bool keep = true;
    };
    struct Symbols
    {
        int barHeight = 162;
        int moduleWidth = 3;
        int textPosition = 0;
        int qrModule = 3;
        int qrLevel = 48;
        int pdfModule = 3;
        int pdfLevel = 0;
        QByteArray qrData;
        QByteArray pdfData;
        QByteArray otherData;
        std::optional<StreamGraphic> stored;     // GS ( L / GS 8 L graphics in the print buffer
        std::optional<StreamGraphic> downloaded; // GS * image
    };

    qsizetype process(QByteArrayView bytes);
    qsizetype step(QByteArrayView bytes);
    qsizetype takePayload(QByteArrayView bytes);
    qsizetype text(QByteArrayView bytes);
    void holdRealTime();
    void resetState();

    // EscPosCommands.cpp: what each command does.
    void execute(QByteArrayView header, const Frame& frame);
    void executeDle(QByteArrayView h);
    void executeEsc(QByteArrayView h, const Frame& frame);
    void executeGs(QByteArrayView h, const Frame& frame);
    void executeWithData(QByteArrayView header, QByteArrayView data, qint64 total, bool kept);
    void symbolCommand(QByteArrayView data);
    void graphicsCommand(QByteArrayView data, qint64 total, bool kept);
    void barcode(int m, QByteArrayView data);
    void printGraphic(StreamGraphic request);
    void cut(bool full, bool feedFirst);
    void sendAutomaticStatus(bool always);
    void setCodeTable(int n);

    // Output to the roll and the transcript.
    void endText();
    void push(opos::PrintSegment::Kind kind, int number = 0);
    void flush();
    void note(const QString& line);
    void noteCommand(QByteArrayView header, const Frame& frame, const QString& detail = {});
    void noteUnknown(QByteArrayView bytes);
    void flushUnknown();
    void reply(QByteArrayView bytes, QByteArrayView header, const char* what);
    bool transcribing() const { return static_cast<bool>(m_output.transcript); }

    VirtualPrinterDevice& m_device;
    Output m_output;
    DeviceSnapshot m_state;
    QByteArray m_pending;    // received, not yet interpreted
    qsizetype m_scanned = 0; // bytes of m_pending already searched for real-time requests
    std::optional<Payload> m_payload;
    int m_userCharHeight = 0; // ESC &: bytes per column of the characters still to come
    int m_userCharsLeft = 0;
    QByteArray m_userCharHeader;

    // Print modes.
    opos::TextStyle m_style;
    bool m_fontB = false;
    CodeTable m_table{};
    int m_tableNumber = 0;
    int m_lineSpacing = 30;
    int m_asbMask = 0;
    std::optional<std::array<uint8_t, 4>> m_lastAsb;
    Symbols m_symbols;

    // What goes to the roll next.
    QString m_text;
    int m_column = 0;
    std::vector<opos::PrintSegment> m_segments;
    int m_cuts = 0;
    bool m_cutPending = false;

    // Transcript.
    QString m_line;
    QByteArray m_unknown;
    qint64 m_unknownCount = 0;
    bool m_droppedWhileOff = false;
};

} // namespace netprinter
