#pragma once

#include "Dialog.h"

// The About box (template 100): the program's picture, name and version, a notice and two
// credit lines. It opens centred over its owner and closes with its OK button.
class CAboutDlg : public CDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    bool OnInitDialog() override;
};
