#include "framework/Commands.h"

namespace twinsweep {

bool CommandTarget::OnCommand(UINT)
{
    return false;
}

bool CommandTarget::OnUpdateCommand(CommandState&)
{
    return false;
}

}  // namespace twinsweep
