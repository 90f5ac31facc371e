#pragma once

#include <QDialog>

// The About box: the program's picture, name and version, a notice and two credit lines, and
// an OK button. It opens centred over its owner.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
