#pragma once

class QString;

// Shows text in a modal box with one OK button, captioned with the application's name, and
// returns when the user closes it. The text is shown as plain text, never as markup.
void ShowMessageBox(const QString& text);
