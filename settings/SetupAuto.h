#pragma once

#include "PropertyPage.h"

class QRadioButton;

// The one page of the settings sheet (template 132): the auto-view period in milliseconds,
// 0 to 50000, with arrows that step it by 10, and the order, sequential or random. The page
// reads the settings file when the sheet first shows it (1000 and sequential when there is
// none) and writes it when the sheet closes, by OK and by Cancel alike. It holds its own copy
// of the values: the view takes them over only by re-reading the file.
class CSetupAuto : public CPropertyPage {
    Q_OBJECT
public:
    static constexpr unsigned kMinPeriod = 0;
    static constexpr unsigned kMaxPeriod = 50000;
    static constexpr unsigned kPeriodStep = 10;

    explicit CSetupAuto(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    // Saves the settings while the controls still hold what the user left in them.
    void OnDestroy() override;

    // Fills the members, the edit and the buttons from the settings file; false, with nothing
    // changed and no message, when the file can't be read.
    bool ReadSettings();
    // Writes the controls' values (after their check, which reports bad input and goes on with
    // what the members then hold). A file that can't be written is reported; the old file
    // then stays as it was.
    void SaveSettings();

    // The buttons: order 0 or 1, and the period one step down or up within its bounds. Each
    // rewrites the edit from the period last taken in.
    void OnSequential();
    void OnRandom();
    void OnPeriodDown();
    void OnPeriodUp();

private:
    // Checks the button of order (0 sequential, anything else random) and clears the other;
    // the buttons don't clear each other.
    void SetOrderButtons(int order);

    int m_nOrder = 0; // kept as read when no button is clicked, a value other than 0 or 1 too
    QRadioButton* m_btnRandom = nullptr;
    QRadioButton* m_btnSequential = nullptr;
    unsigned m_nPeriod = 0;
};
