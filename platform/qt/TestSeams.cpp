#include "TestSeams.h"

#include <QDialog>
#include <QMetaObject>
#include <QPointer>

MessageBoxHandler& MessageBoxSeam() {
    static MessageBoxHandler handler;
    return handler;
}

FileDialogHandler& FileDialogSeam() {
    static FileDialogHandler handler;
    return handler;
}

AccessibleEventHandler& AccessibleEventSeam() {
    static AccessibleEventHandler seam;
    return seam;
}

ModalDialogHandler& ModalDialogSeam() {
    static ModalDialogHandler handler;
    return handler;
}

void QueueModalDialogSeam(QDialog* dialog) {
    if (!ModalDialogSeam())
        return;
    QMetaObject::invokeMethod(
        dialog,
        [handler = ModalDialogSeam(), target = QPointer<QDialog>(dialog)] {
            if (target)
                handler(target);
        },
        Qt::QueuedConnection);
}

int ExecModal(QDialog& dialog) {
    QueueModalDialogSeam(&dialog);
    return dialog.exec();
}
