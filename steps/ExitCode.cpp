#include "steps/ExitCode.h"

namespace flipdeck {

ExitCode ExitCodeFor(ChangeOutcome outcome)
{
    switch (outcome) {
    case ChangeOutcome::Done:
        return ExitCode::Done;
    case ChangeOutcome::NothingChosen:
        return ExitCode::UnknownName;
    case ChangeOutcome::AlreadyActive:
        return ExitCode::AlreadyActive;
    case ChangeOutcome::ProgramsRunning:
        return ExitCode::ProgramsRunning;
    case ChangeOutcome::Refused:
        return ExitCode::Refused;
    case ChangeOutcome::RolledBack:
        return ExitCode::RolledBack;
    case ChangeOutcome::NeedsHand:
        return ExitCode::NeedsHand;
    }
    return ExitCode::NeedsHand;
}

}  // namespace flipdeck
