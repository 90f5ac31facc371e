#pragma once

class QDialog;
class QDialogButtonBox;

// The "OK" and "Cancel" buttons of a modal dialog, named IDOK and IDCANCEL for tests and screen
// readers: OK is the default button and accepts, Cancel rejects. Owned by dialog.
QDialogButtonBox* AddOkCancelButtons(QDialog* dialog);
