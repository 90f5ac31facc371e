#include "MessageBox.h"

#include "TestSeams.h"

#include <QApplication>
#include <QMessageBox>

void ShowMessageBox(const QString& text) {
    if (const MessageBoxHandler handler = MessageBoxSeam()) { // a copy: it may clear the seam
        handler(text);
        return;
    }
    QMessageBox box(QMessageBox::Information, QCoreApplication::applicationName(), text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
