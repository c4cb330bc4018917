#pragma once

#include "services/FlexGridModel.h"
#include "services/FormState.h"

#include <QStringList>

// The operation log's written rows as "name detail" texts, from row `from` on.
inline QStringList logRowTexts(const FlexGridModel& grid, const FormState& form, int from = 1)
{
    QStringList rows;
    for (int row = from; row < form.LogRow; ++row)
        rows.append(grid.TextMatrix(row, 0) + QLatin1Char(' ') + grid.TextMatrix(row, 1));
    return rows;
}

// The same without the event rows: what the commands wrote.
inline QStringList commandRowTexts(const FlexGridModel& grid, const FormState& form, int from = 1)
{
    QStringList rows = logRowTexts(grid, form, from);
    rows.removeIf([](const QString& row) {
        return row.section(QLatin1Char(' '), 0, 0).endsWith(QLatin1String("Event()"));
    });
    return rows;
}
