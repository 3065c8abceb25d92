// The script runner.
#include "runner.h"

#include "commands.h"

namespace ce::host {

bool RunStep(const Step& step, Device& device, const RunnerOptions& options, std::string& why) {
    const bool afterEnd = step.command->flags & kRunsAfterEnd;
    const std::string ended = "the program ended before this step: " + step.source;
    if (!afterEnd) {
        if (device.ProgramEnded()) {
            why = ended;
            return false;
        }
        if (!device.WaitIdle(options.idleTimeout)) {
            why = device.ProgramEnded()
                      ? ended
                      : "the device did not become idle within " + std::to_string(options.idleTimeout.count()) + " ms";
            return false;
        }
    }
    StepContext context(device, options);
    if (step.command->run(context, step, why)) return true;
    if (!afterEnd && !(step.command->flags & kOwnFailure) && device.ProgramEnded()) why = ended;
    return false;
}

ScriptResult RunScript(const Script& script, Device& device, const RunnerOptions& options) {
    for (const Step& step : script.steps) {
        std::string why;
        if (!RunStep(step, device, options, why))
            return {1, script.name + ":" + std::to_string(step.line) + ": " + why, false};
    }
    ScriptResult result;
    if (!script.steps.empty() && (script.steps.back().command->flags & kRunsAfterEnd))
        result.status = device.ExitStatus();
    else
        result.quitProgram = !device.ProgramEnded();
    return result;
}

}  // namespace ce::host
