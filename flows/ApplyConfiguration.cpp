#include "flows/ApplyConfiguration.h"

namespace vemora {

bool SwitchWritesDiffer(const SwitchImage& held, const SwitchImage& wanted) {
    for (int bank = 1; bank <= kBankCount; ++bank) {
        if (wanted.FormatBankDigits(bank) != held.FormatBankDigits(bank)) {
            return true;
        }
    }
    return false;
}

ApplyResult ApplyConfiguration(CSerialChannel& channel, const Pause& pause, Progress& progress,
                               const WantedImage& wanted, ApplyMode mode) {
    ApplyResult result;
    if (const Outcome got = GetStatus(channel, pause, progress, result.before);
        got != Outcome::GotStatus) {
        result.outcome = got;
        return result;
    }
    result.after = result.before;
    const SwitchImage target = wanted(result.before);
    if (!SwitchWritesDiffer(result.before, target)) {
        result.outcome = Outcome::Unchanged;
        result.verified = true;
        return result;
    }
    if (mode == ApplyMode::DryRun) {
        result.after = target;
        result.changed = true;
        result.outcome = Outcome::WouldChange;
        return result;
    }
    if (const Outcome set = SetStatus(channel, pause, progress, target);
        set != Outcome::SetStatus) {
        result.outcome = set;
        return result;
    }
    result.changed = true;
    if (const Outcome got = GetStatus(channel, pause, progress, result.after);
        got != Outcome::GotStatus) {
        result.outcome = got;
        return result;
    }
    result.verified = !SwitchWritesDiffer(result.after, target);
    result.outcome = result.verified ? Outcome::Changed : Outcome::NotHeld;
    return result;
}

}  // namespace vemora
