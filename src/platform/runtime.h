// The thin services of the window runtime in one include, for the windows and the tests: runtime errors,
// message boxes, units and the message loops. No platform file includes it.
#pragma once

#include "platform/errors.h"
#include "platform/message_loop.h"
#include "platform/msgbox.h"
#include "platform/units.h"
