// fwsim: a simulator of a firewall's management service, for the tests and the demonstration.
#include <csignal>
#include <iostream>

#include "sim/server.h"
#include "sim/sim_options.h"

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);  // a client that goes away must not end the simulator
    fwsim::SimOptions options;
    switch (fwsim::parse_sim_options(argc, argv, options, std::cout, std::cerr)) {
    case fwsim::ParseOutcome::ExitOk:
        return 0;
    case fwsim::ParseOutcome::ExitError:
        return 2;
    case fwsim::ParseOutcome::Run:
        break;
    }
    return fwsim::run_server(options, std::cerr);
}
