// Executes an automation script against the device, step by step.
#pragma once

#include <functional>
#include <string>

#include "device.h"
#include "script.h"

namespace ce::host {

struct RunnerOptions {
    Millis idleTimeout{10000};  // how long a step waits for the device to become idle
    Millis defaultWait{5000};   // wait, wait-gone, wait-exit without MS
    Millis pollInterval{20};    // between looks for a text
    Millis doubleClickGap{0};   // between the taps of dbltap (within the double-click time)
    // Writes the screenshot file; the default writes ce::gdi::Screen.
    std::function<bool(const std::string& file, std::string& error)> screenshot;
    // Writes text to a file ("-": the output); the default writes the file
    // as is, and "-" to standard output.
    std::function<bool(const std::string& file, const std::string& text, std::string& error)> writeFile;
};

struct ScriptResult {
    int status = 0;            // the process's exit status
    std::string message;       // empty on success; otherwise "NAME:LINE: ..." naming the step
    bool quitProgram = false;  // the last step is done and the program still runs
};

// Runs one step: waits for idle first (except wait-exit), then runs it.
// False with the reason (without the line) when it fails, or when the
// program ended before it could run ("the program ended before this step: ...").
bool RunStep(const Step& step, Device& device, const RunnerOptions& options, std::string& why);

// Runs every step in order. Every step first waits for idle.
//  - a step that fails, or a program that ends before every step ran: 1,
//    with a message naming the line (the first step not run);
//  - the last step done and the program still running: 0 (quitProgram set;
//    the caller ends the program through Device::RequestQuit);
//  - the last step is wait-exit: the program's own status.
ScriptResult RunScript(const Script& script, Device& device, const RunnerOptions& options = {});

}  // namespace ce::host
