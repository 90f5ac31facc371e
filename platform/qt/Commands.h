#pragma once

// Command routing and command state, for the frame and the views: the command ids, the state
// passed to update handlers and the router.
#include "CmdUI.h"
#include "CommandIds.h"
#include "CommandRouter.h"
