// The data behind the views of the frame. It has no file: nothing is loaded or
// saved; it takes part in command routing.
#pragma once

#include "framework/Commands.h"

namespace twinsweep {

class Document : public CommandTarget {
};

}  // namespace twinsweep
