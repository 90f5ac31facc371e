#pragma once

// Shows (true) or hides (false) the desktop's on-screen keyboard where there is one.
void ShowInputPanel(bool show);
