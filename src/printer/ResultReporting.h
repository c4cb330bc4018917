#pragma once

#include <QString>
#include <cstdint>

class OperationLog;
struct PrinterContext;

// The code a command reports for a method's result: after OPOS_E_EXTENDED the printer's
// ResultCodeExtended, which the lamps then show; otherwise the result itself.
int32_t resolveExtendedResult(const PrinterContext& context, int32_t result);

// Writes a command's log row: its text and the name of the code it reports.
void logResult(OperationLog& log, const QString& text, int32_t code);
