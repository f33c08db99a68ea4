#include "ProcessState.h"

ProcessState& ProcessState::Instance()
{
    static ProcessState state;
    return state;
}

void ProcessState::ForgetFirmwareReadings()
{
    ProcessState& state = Instance();
    state.tokens.reset();
    state.forms.reset();
    state.eqVarTable.reset();
}
