#pragma once

#include "DialogTemplate.h"

// The dialog templates: the reader form (130), the search dialog (136), the auto-view settings
// page (132) and the About box (100). Unknown ids give an empty template.
const SDialogTemplate& DialogTemplateById(int id);
