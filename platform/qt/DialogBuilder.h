#pragma once

#include "DialogTemplate.h"

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

// Turning a dialog template into widgets. Dialog units become pixels through the base units
// of the template's font: x = du * baseX / 4 and y = du * baseY / 8, rounded half away from
// zero, where baseX is the average width of the 52 Latin letters (rounded) and baseY the
// font's height.

// The template's font: "System" is the desktop's Korean-capable UI font (NanumGothic or Noto
// Sans CJK KR when installed, else the application font), any other name that family; at the
// template's point size.
QFont TemplateFont(const SDialogTemplate& dialog);

// The base units (baseX, baseY) of font.
QSize DialogBaseUnits(const QFont& font);

// cx by cy dialog units in pixels, with the template's font.
QSize DialogUnitsToPixels(const SDialogTemplate& dialog, int cx, int cy);

// A control's rectangle in pixels, each of x, y, cx and cy converted on its own.
QRect ControlRectPixels(const SDialogTemplate& dialog, const SControlTemplate& control);

// Creates one widget per control of the template on host, gives host the template's font and
// installs a CTemplateLayout on it (host must not have a layout yet). Each widget gets the
// control's name as objectName, its id as the dynamic property "controlId", its rectangle,
// and the tab order of the template. Edit → QLineEdit, or CEdit with ES_MULTILINE; ListBox →
// CListBox; Static → QLabel (plain text); Icon → QLabel with the picture ":/icons/<text>" or
// the application's icon; PushButton → QPushButton; RadioButton → QRadioButton that unchecks
// nothing else; GroupBox → QGroupBox behind the other controls.
void BuildDialogControls(const SDialogTemplate& dialog, QWidget* host);
