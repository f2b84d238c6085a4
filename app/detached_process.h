// Starting a program as an independent process, with its program name, arguments,
// working folder and environment passed as the bytes they are: a folder whose name is
// not valid UTF-8 still works as the working folder.
#pragma once

#include <functional>
#include <string>

class QObject;

namespace vestura {

struct ProcessCommand;

// How long a started program is watched for a failure.
inline constexpr int kLaunchWatchMs = 5000;

// Called on the GUI thread when a started program could not run, or ended with a failure
// within its first kLaunchWatchMs: why, in one line ("exit status 1: err:module:...").
using EarlyFailure = std::function<void(const std::string& why)>;

// Starts the command as a process of its own session and returns at once. Its standard
// error is read, and thrown away, by a small watcher process for as long as it is open, so
// the program never blocks on it and never loses it when this program quits. When the
// program cannot be run, or ends with a failure within its first kLaunchWatchMs, the watcher
// tells `onFailure` (through `context`'s thread; nothing is told once `context` is gone).
void startWatched(const ProcessCommand& command, QObject* context, EarlyFailure onFailure);

}  // namespace vestura
