// vestura-cli's front end. It links nothing of Qt's: loading QtGui and the libraries it
// needs costs more than everything --help, --version or a usage error does, so those are
// answered here. Every other command runs in the engine, the Qt-linked part, which is loaded
// from beside this program only then.
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#ifndef VESTURA_CLI_ENGINE_LINKED
#include <dlfcn.h>
#endif

#include "cli/command_line.h"
#include "cli/engine/entry.h"
#include "common/platform.h"

namespace {

// The engine's entry point, or null after reporting why it cannot be had.
VesturaCliEntry loadEngine() {
#ifdef VESTURA_CLI_ENGINE_LINKED
    return vestura_cli_main;
#else
    const std::string path = vestura::platform::executableFolder() + VESTURA_CLI_ENGINE_FILE;
    // Lazy binding for the libraries the engine brings in: most of what Qt and its own
    // dependencies import is never called by a command, and resolving it all up front
    // costs more than a whole render. The engine itself is linked to bind now, so a damaged
    // engine or a library missing a symbol it uses still fails here with a message.
    void* engine = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
    void* entry = engine == nullptr ? nullptr : ::dlsym(engine, VESTURA_CLI_ENGINE_ENTRY);
    if (entry == nullptr) {
        const char* reason = ::dlerror();
        std::cerr << "vestura-cli: cannot load " << path << ": "
                  << (reason != nullptr ? reason : "no entry point") << '\n';
        return nullptr;
    }
    return reinterpret_cast<VesturaCliEntry>(entry);
#endif
}

// Sanitizer builds end the normal way, so their leak check runs at exit.
#if defined(__SANITIZE_ADDRESS__)
#define VESTURA_CLI_FULL_EXIT 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VESTURA_CLI_FULL_EXIT 1
#endif
#endif

#ifndef VESTURA_CLI_FULL_EXIT
// Once the engine has returned, every file is written and closed and only the output
// buffers are left: those are flushed, and the process ends without running the static
// destructors of the fifty-odd libraries Qt brought in, which cost more than a skin.
[[noreturn]] void endWith(int status) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(status);
}
#endif

}  // namespace

int main(int argc, char* argv[]) {
    // Captions print in the terminal's encoding, which the environment names. Only the
    // character type is taken from it: numbers keep the C locale's decimal point in every
    // language, so arguments parse the same everywhere.
    std::setlocale(LC_CTYPE, "");
    // A file size limit (ulimit -f) then fails the write that passes it, which is reported
    // and leaves the old file whole, instead of killing the process without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    const vestura::cli::Parsed parsed = vestura::cli::parseOrAnswer(
        std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
    if (parsed.status) {
        return *parsed.status;
    }
    const VesturaCliEntry entry = loadEngine();
    const int status = entry == nullptr ? 1 : entry(argc, argv);
#ifdef VESTURA_CLI_FULL_EXIT
    return status;
#else
    endWith(status);
#endif
}
