#pragma once

#include <QString>

// text as a tooltip shows it literally: a tooltip takes text that looks like markup as rich
// text, so a book's name such as "<img src=...>" would be rendered, not shown. The result is
// escaped rich text that keeps spaces and wraps where it is too wide.
QString PlainToolTip(const QString& text);
