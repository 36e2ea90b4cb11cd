// Scripted and interactive runs of the shell.
#include "util/tovad/shell_main.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "lib/fwall/crypto.h"
#include "lib/fwall/response.h"
#include "util/tovad/shell_auth.h"
#include "util/tovad/shell_commands.h"
#include "util/tovad/shell_connect.h"
#include "util/tovad/shell_input.h"
#include "util/tovad/shell_options.h"

namespace tovac {

namespace {

// Asks `prompt` until a line holds a word; false at the end of the input.
bool ask_word(ShellState& state, const char* prompt, std::optional<std::string>& into) {
    std::array<char, kLineMax + 1> line{};
    while (!into) {
        std::fputs(prompt, state.err);
        std::fflush(state.err);
        const LineStatus status = read_line(state.in, line.data(), kLineMax);
        if (status == LineStatus::EndOfInput) return false;
        if (status == LineStatus::TooLong) {
            std::fputs("Line too long\n", state.err);
            continue;
        }
        std::string word = shell_trim(line.data());
        if (!word.empty()) into = std::move(word);
    }
    return true;
}

// Asks `prompt` for the password (without echo on a terminal). False when none was given.
bool ask_password(ShellState& state, const char* prompt) {
    std::array<char, kLineMax + 1> line{};
    std::fputs(prompt, state.err);
    std::fflush(state.err);
    const LineStatus status = read_secret_line(state.in, state.err, line.data(), kLineMax);
    bool given = false;
    if (status == LineStatus::Ok) {
        shell_cut_eol(line.data());
        set_password(state, line.data());
        given = true;
    } else if (status == LineStatus::TooLong) {
        std::fputs("Password too long\n", state.err);
    }
    fwall::wipe(line.data(), line.size());
    return given;
}

// The word list of one line or of the remaining arguments.
struct Words {
    std::vector<std::string> storage;
    std::vector<const char*> pointers;

    void finish() {
        pointers.clear();
        for (const auto& w : storage) pointers.push_back(w.c_str());
    }
};

// A 401 or 407 that is not answered: an ordinary failed command.
int unanswered(ShellState& state, int status, int name_position) {
    if (state.error_on_exit) return -1;
    std::fprintf(state.err, "Error %d\n", status);
    return name_position;
}

// Runs the command groups of one line, answering a challenge once per command. False when a command
// stopped the run.
bool run_line(ShellState& state, const Words& words) {
    std::size_t at = 0;
    const std::size_t count = words.pointers.size();
    while (at < count) {
        const int left = static_cast<int>(count - at);
        const char* const* group = words.pointers.data() + at;
        int name_position = 0;
        int result = run_command(state, left, group, name_position);
        if (result == 401 || result == 407) {
            if (mgmt_challenge()[0] == '\0') {
                // Without a challenge the 401 comes from this side (an output file that cannot be opened, a
                // response that cannot be parsed): there is nothing to answer.
                result = unanswered(state, result, name_position);
            } else if (shell_build_authorization(state, mgmt_challenge()) != 0) {
                result = -1;
            } else {
                result = run_command(state, left, group, name_position);
                if (result == 401 || result == 407) {
                    // Answered once already: asking again would repeat without end (a GET carries no
                    // Authorization line, so its answer cannot change).
                    if (std::strcmp(group[0], "GET") == 0)
                        std::fputs("GET requests carry no Authorization line\n", state.err);
                    result = unanswered(state, result, name_position);
                }
            }
        }
        if (result < 0) return false;
        at += 1 + std::min(static_cast<std::size_t>(result), count - at - 1);
    }
    return true;
}

}  // namespace

int shell_interactive(ShellState& state) {
    state.interactive = true;
    ask_word(state, "Remote host: ", state.host);
    ask_word(state, "Remote User: ", state.user);
    if (!state.has_password) ask_password(state, "Remote Password: ");
    if (state.host && state.has_password) {
        shell_connect(state);
    } else {
        close_connection(state);
        forget_password(state);
    }

    std::array<char, kLineMax + 1> line{};
    for (;;) {
        std::fputs("tovac> ", state.err);
        std::fflush(state.err);
        const LineStatus status = read_line(state.in, line.data(), kLineMax);
        if (status == LineStatus::EndOfInput) break;
        if (status == LineStatus::TooLong) {
            std::fputs("Line too long\n", state.err);
            continue;
        }
        Words words;
        words.storage = shell_split_words(line.data());
        words.finish();
        if (!run_line(state, words)) break;
    }
    std::fputs("\nDone.\n", state.err);
    return 0;
}

int shell_main(ShellState& state, int argc, const char* const* argv) {
    state.request_headers.clear();
    state.port = kDefaultPort;
    if (argc < 1 || argv == nullptr) argc = 1;
    int next = 1;
    switch (parse_options(state, argc, argv, next)) {
    case OptionsOutcome::Help:
        return 0;
    case OptionsOutcome::Error:
        return -1;
    case OptionsOutcome::Run:
        break;
    }
    if (!state.key_path.empty() && !state.has_password && load_key_file(state) != 0) return -1;

    const int left = argc - next;
    if (left <= 1 || state.interactive) {
        if (left == 1) state.host = argv[next];
        return shell_interactive(state);
    }
    if (state.verbose)
        std::fprintf(state.err, "host=%s port=%d\n", state.host ? state.host->c_str() : "unknown", state.port);
    if (state.prompt) {
        ask_word(state, "Host: ", state.host);
        ask_word(state, "User: ", state.user);
        // Asked for here rather than run without one: a password nobody typed is never sent.
        if (!state.has_password && !ask_password(state, "Password: ")) {
            std::fputs("No password given\n", state.err);
            return -1;
        }
    }
    if (state.host && state.has_password) {
        if (!shell_connect(state)) {
            close_connection(state);
            return -1;
        }
    } else {
        close_connection(state);
        forget_password(state);
    }

    for (int at = next; at < argc;) {
        int name_position = 0;
        const int result = run_command(state, argc - at, argv + at, name_position);
        // A challenge is never answered from the arguments: the run ends with -1, as a stop does.
        if (result < 0 || result == 401 || result == 407) {
            close_connection(state);
            return -1;
        }
        at += 1 + std::min(result, argc - at - 1);
    }
    return 0;
}

}  // namespace tovac
