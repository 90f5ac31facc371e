#pragma once

#include <QWidget>

struct CDataExchange;
struct SDialogTemplate;

// A view laid out by a dialog template that fills its frame's client area. The controls exist
// from construction on. When the view is first shown its data is pushed once (the initial
// update); every time it is painted OnDraw runs, after the controls have painted themselves.
class CFormView : public QWidget {
    Q_OBJECT
public:
    explicit CFormView(const SDialogTemplate& form, QWidget* parent = nullptr);

    // Runs DoDataExchange in one direction; false when a pull failed.
    bool UpdateData(bool saveAndValidate = true);

protected:
    virtual void DoDataExchange(CDataExchange& dx);
    // The framework's initial update: pushes the data once.
    virtual void OnInitialUpdate();
    // Called on every paint of the view; the view itself draws nothing.
    virtual void OnDraw();

    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_bInitialUpdateDone = false;
};
