#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

// The search dialog: one edit for the term, OK and Cancel. It opens with the last term and
// gives the typed one after OK, also when it is empty. The focus starts on OK, so that the
// input panel stays down until the user goes to the edit.
class CSearchDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSearchDlg(const QString& term, QWidget* parent = nullptr);

    QString Term() const { return m_strTerm; }

    void accept() override;

protected:
    // Raises the input panel while the term edit has the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString m_strTerm;
    QLineEdit* m_ctlTerm;
};
