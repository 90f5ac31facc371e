#include "InputPanel.h"

#include <QGuiApplication>
#include <QInputMethod>

void ShowInputPanel(bool show) {
    QInputMethod* method = QGuiApplication::inputMethod();
    if (show)
        method->show();
    else
        method->hide();
}
