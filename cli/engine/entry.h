// The entry point of vestura-cli's Qt-linked part, shared by the front end that loads it.
#pragma once

// The name the front end looks up in the loaded engine.
#define VESTURA_CLI_ENGINE_ENTRY "vestura_cli_main"

// Runs vestura-cli with its whole command line, as main() would, and returns its exit status.
extern "C" int vestura_cli_main(int argc, char* argv[]);

using VesturaCliEntry = int (*)(int, char*[]);
