#pragma once

#include "opos/ControlOptions.h"

#include <QObject>
#include <QString>
#include <QVariantList>
#include <cstdint>
#include <memory>

namespace opos {

class DeviceRegistry;

// The POS Printer control object: the OPOS members, properties and events, over a backend found
// by logical name. Every method returns its result code and sets ResultCode; a run-time failure
// is a std::exception whose what() says what failed. Events are emitted on the GUI thread, one
// at a time; by-reference arguments are pointers the handler may write.
class PosPrinter : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PosPrinter)

public:
    PosPrinter(const DeviceRegistry& registry, ControlOptions options, QObject* parent = nullptr);
    ~PosPrinter() override;

    // Life cycle.
    int32_t Open(const QString& deviceName);
    int32_t ClaimDevice(int32_t timeoutMs);
    int32_t ReleaseDevice();
    int32_t Close();
    // The members as they were called before version 1.5; also reachable through CallByName.
    int32_t Claim(int32_t timeoutMs);
    int32_t Release();
    // Calls a member by its name ("Claim", "Release", "ClaimDevice", ...), as a late-bound call
    // would; an unknown member is a run-time failure.
    int32_t CallByName(const QString& member, const QVariantList& arguments);
    // Not an OPOS member: ends a ClaimDevice that is waiting for another holder now, as if its
    // time-out had passed. Closing the window while a claim waits uses it.
    void StopWaiting();

    // Output.
    int32_t PrintNormal(int32_t station, const QString& data);
    int32_t PrintImmediate(int32_t station, const QString& data);
    int32_t CutPaper(int32_t percentage);
    // Barcodes and images: sizes in MapMode units, alignment PTR_BC_* / PTR_BM_* or a distance.
    int32_t PrintBarCode(int32_t station, const QString& data, int32_t symbology, int32_t height,
                         int32_t width, int32_t alignment, int32_t textPosition);
    int32_t PrintBitmap(int32_t station, const QString& fileName, int32_t width, int32_t alignment);
    // Stores bitmap 1 to 20 for the print-data sequence ESC|#B; an empty name removes it.
    int32_t SetBitmap(int32_t bitmapNumber, int32_t station, const QString& fileName, int32_t width,
                      int32_t alignment);
    // Data holds the image file's bytes, one per character; type PTR_BMT_BMP, _JPEG or _GIF.
    int32_t PrintMemoryBitmap(int32_t station, const QString& data, int32_t type, int32_t width,
                              int32_t alignment);
    int32_t TransactionPrint(int32_t station, int32_t control);
    int32_t ClearOutput();
    int32_t DirectIO(int32_t command, int32_t* data, QString* text);
    int32_t CheckHealth(int32_t level);

    // Not an OPOS member: how the last barcode or image accepted for printing reads in a list of
    // printed output ("[QR code] https://...", "[image] logo.png 384x120").
    QString LastGraphicDescription() const;

    // Properties used directly by the application.
    int32_t ControlObjectVersion() const;
    QString ControlObjectDescription() const;
    int32_t ResultCode() const;
    int32_t ResultCodeExtended() const;
    int32_t OpenResult() const; // detail of the last Open (OPOS_OR_*), 0 after success
    int32_t OutputID() const;
    int32_t State() const;
    bool Claimed() const;
    bool DeviceEnabled() const;
    void SetDeviceEnabled(bool enabled);
    bool AsyncMode() const;
    void SetAsyncMode(bool async);
    bool FlagWhenIdle() const;
    void SetFlagWhenIdle(bool flag);
    bool FreezeEvents() const;
    void SetFreezeEvents(bool freeze);

    // Every property of the printer, by name and by OPOS property index. Reading an unknown
    // property, or one of the wrong kind, is a run-time failure. A write the device refuses sets
    // ResultCode (E_CLOSED, E_DISABLED, E_ILLEGAL ...) and changes nothing.
    int32_t GetPropertyNumber(const QString& name) const;
    bool GetPropertyFlag(const QString& name) const;
    QString GetPropertyString(const QString& name) const;
    void SetPropertyNumber(const QString& name, int32_t value);
    void SetPropertyFlag(const QString& name, bool value);
    void SetPropertyString(const QString& name, const QString& value);
    // Also "ControlObjectVersion", "ControlObjectDescription" and "OpenResult" by name.
    QVariant GetPropertyByIndex(int32_t propertyIndex) const;
    // Writes a number or flag by index; returns the result code it sets. Unknown index: failure.
    int32_t SetPropertyByIndex(int32_t propertyIndex, const QVariant& value);

signals:
    void DirectIOEvent(int32_t eventNumber, int32_t* pData, QString* pString);
    void ErrorEvent(int32_t resultCode, int32_t resultCodeExtended, int32_t errorLocus,
                    int32_t* pErrorResponse);
    void OutputCompleteEvent(int32_t outputId);
    void StatusUpdateEvent(int32_t data);
    // Not an OPOS event: status changes came faster than events can show them, and the newest
    // state of each kind won; the note says how many were left out.
    void StatusChangesNotShown(const QString& note);

private:
    class Impl;
    std::unique_ptr<Impl> d;
};

} // namespace opos
