#pragma once

#include <QRect>

class FlexGridModel;
class FormBuilder;
class PrinterListModel;
class QGroupBox;
class QWidget;

// The pages of SSTab1 and the printer status panel, one builder each. Page controls are placed
// in the page's own coordinates, which start below the tab row.
void buildMainCmdsPage(const FormBuilder& form, QWidget* page);
void buildLinePrintPage(const FormBuilder& form, QWidget* page);
void buildFilePrintPage(const FormBuilder& form, QWidget* page);
void buildMixedCmdsPage(const FormBuilder& form, QWidget* page);
// gridRect: MSFlexGrid2's designed place, already moved into page coordinates.
void buildPropertiesPage(const FormBuilder& form, QWidget* page, FlexGridModel& grid,
                         const QRect& gridRect);
void buildCashDrawerPage(const FormBuilder& form, QWidget* page);
void buildLineDisplayPage(const FormBuilder& form, QWidget* page);
void buildStatusPanel(const FormBuilder& form, QGroupBox* frame, PrinterListModel& list);
