#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QRadioButton;

// The settings dialog: one tab, "자동 보기", with the auto-view period in milliseconds, 0 to
// 50000, arrows that step it by 10 (repeating while held; Up and Down in the edit step it
// too), and the order, sequential or random; OK and Cancel below.
// It reads the settings file as it is made (1000 and sequential when there is none) and writes
// it as it closes, by OK and by Cancel alike. It holds its own copy of the values: the view takes
// them over only by re-reading the file.
class CSetupAuto : public QDialog {
    Q_OBJECT
public:
    static constexpr unsigned kMinPeriod = 0;
    static constexpr unsigned kMaxPeriod = 50000;
    static constexpr unsigned kPeriodStep = 10;

    explicit CSetupAuto(QWidget* parent = nullptr);

    // OK with a period that fails its check stays open after the check's message; any close
    // writes the settings file first.
    void done(int result) override;

    // The buttons: order 0 or 1, and the period one step down or up within its bounds. Each
    // rewrites the edit from the period last taken in.
    void OnSequential();
    void OnRandom();
    void OnPeriodDown();
    void OnPeriodUp();

protected:
    // Up and Down in the period edit work as the arrows.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Fills the members and controls from the settings file; false, with nothing changed and
    // no message, when the file can't be read.
    bool ReadSettings();
    // Writes what the controls hold (after their check, which reports bad input and goes on
    // with what the members then hold). A file that can't be written is reported; the old file
    // then stays as it was.
    void SaveSettings();
    // Shows the members in the controls.
    void PushData();
    // Takes the period from its edit: a number that is no unsigned number leaves m_nPeriod as
    // it was, one out of range is taken; either is reported, and the answer is false.
    bool PullData();
    // Lets go of an arrow the user holds down, so that it stops repeating.
    void ReleaseArrows();

    int m_nOrder = 0; // kept as read when no button is clicked, a value other than 0 or 1 too
    QRadioButton* m_btnRandom;
    QRadioButton* m_btnSequential;
    unsigned m_nPeriod = 0;
    QLineEdit* m_ctlPeriod;
    QPushButton* m_btnPeriodDown;
    QPushButton* m_btnPeriodUp;
};
