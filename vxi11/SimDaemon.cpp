// aq3310-simd: serves the simulated system's resources as VXI-11 devices, so that any VISA on
// any machine that reaches this one can share one simulated module.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <rpc/rpc.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "sim/replay/Replay.h"
#include "sim/scenario/DefaultScenario.h"
#include "sim/scenario/Scenario.h"
#include "sim/visa/SimHooks.h"
#include "vxi11/RpcCall.h"
#include "vxi11/RpcServer.h"
#include "vxi11/Vxi11Server.h"

namespace {

constexpr const char* kUsage =
    "Usage: aq3310-simd [--scenario FILE | --replay FILE] [--listen ADDRESS] [--verbose]\n"
    "Serves the simulated system's resources as VXI-11 devices inst0, inst1, ... and\n"
    "vxi0,<slot>; registers with the portmapper (rpcbind) and runs until SIGINT or SIGTERM.\n"
    "  --scenario FILE    scenario file (default: $SFP_SIM_SCENARIO, else the built-in one)\n"
    "  --replay FILE      one K3310 in slot 24 whose inputs play FILE (VCD or CSV)\n"
    "  --listen ADDRESS   IPv4 address to serve on (default 127.0.0.1; 0.0.0.0: every one)\n"
    "  --verbose          log links, writes and locks on standard error\n"
    "  -h, --help         show this help and exit\n"
    "  -V, --version      show the version and exit\n";

struct Options {
    bool help = false;
    bool version = false;
    std::string scenario;
    std::string replay;
    std::string listen = "127.0.0.1";
    bool verbose = false;
};

bool ParseArguments(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if ((argument == "--scenario" || argument == "--listen" || argument == "--replay") &&
            i + 1 < argc) {
            (argument == "--scenario" ? options->scenario
             : argument == "--replay" ? options->replay
                                      : options->listen) = argv[++i];
        } else if (argument == "--verbose") {
            options->verbose = true;
        } else if (argument == "-h" || argument == "--help") {
            options->help = true;
        } else if (argument == "-V" || argument == "--version") {
            options->version = true;
        } else {
            return false;
        }
    }
    return options->scenario.empty() || options->replay.empty();
}

// The built-in module in its slot, its inputs played from the file instead of stepped.
bool ReplayScenario(const std::string& file, sim::Scenario* scenario) {
    *scenario = sim::DefaultScenario();
    sim::ModuleScenario& module = *scenario->resources.at(0).module;
    module.ports = {};
    module.stepMs = 0;
    module.replay.emplace();
    module.replay->file = file;
    sim::CReplay::Problem problem;
    if (!sim::CReplay::Open(*module.replay, &problem)) {
        std::cerr << "aq3310-simd: " << file << ": " << problem.text << "\n";
        return false;
    }
    return true;
}

bool LoadScenario(const Options& options, sim::Scenario* scenario) {
    if (!options.replay.empty()) {
        return ReplayScenario(options.replay, scenario);
    }
    std::string path = options.scenario;
    if (path.empty()) {
        const char* variable = std::getenv(sim::kScenarioVariable);
        path = variable != nullptr ? variable : "";
    }
    if (path.empty()) {
        *scenario = sim::DefaultScenario();
        return true;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::cerr << "aq3310-simd: cannot read " << path << "\n";
        return false;
    }
    std::ostringstream content;
    content << file.rdbuf();
    sim::ParseResult parsed = sim::ParseScenario(content.str(), path);
    if (!parsed.scenario) {
        std::cerr << "aq3310-simd: " << parsed.error << "\n";
        return false;
    }
    *scenario = std::move(*parsed.scenario);
    return true;
}

// Every connection takes a descriptor, and an interrupt channel one more: the usual soft limit
// of 1,024 would refuse clients well below the server's own limit.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// The port the portmapper names for the core program now (0: none).
std::uint16_t RegisteredPort() {
    std::string error;
    return vxi11::PortmapperPort("127.0.0.1", vxi11::kCoreProgram, vxi11::kProgramVersion, 2000,
                                 &error);
}

// Whether a server answers on port, at the address we listen on or on loopback.
bool Answers(const std::string& listen, std::uint16_t port) {
    std::string error;
    const auto deadline = vxi11::Clock::now() + std::chrono::seconds(1);
    const std::string address = listen == "0.0.0.0" ? "127.0.0.1" : listen;
    return vxi11::ConnectTcp(address, port, deadline, &error).IsOpen() ||
           vxi11::ConnectTcp("127.0.0.1", port, deadline, &error).IsOpen();
}

// Registers the core channel with its real address (the portmapper shows it as the
// universal address), for TCP.
bool Register(const std::string& listen, std::uint16_t port) {
    netconfig* tcp = getnetconfigent("tcp");
    if (tcp == nullptr) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    ::inet_pton(AF_INET, listen.c_str(), &address.sin_addr);
    netbuf buffer{sizeof(address), sizeof(address), &address};
    rpcb_unset(vxi11::kCoreProgram, vxi11::kProgramVersion, tcp);
    const bool registered =
        rpcb_set(vxi11::kCoreProgram, vxi11::kProgramVersion, tcp, &buffer) != 0;
    freenetconfigent(tcp);
    return registered;
}

void Unregister() {
    netconfig* tcp = getnetconfigent("tcp");
    if (tcp != nullptr) {
        rpcb_unset(vxi11::kCoreProgram, vxi11::kProgramVersion, tcp);
        freenetconfigent(tcp);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArguments(argc, argv, &options)) {
        std::cerr << kUsage;
        return 2;
    }
    if (options.help) {
        std::cout << kUsage;
        return 0;
    }
    if (options.version) {
        std::cout << "aq3310-simd " << SFP_VERSION << "\n";
        return 0;
    }
    sim::Scenario scenario;
    if (!LoadScenario(options, &scenario)) {
        return 1;
    }
    // The signals are taken by sigwait below, never by some other thread: blocked before any
    // thread starts. SIGUSR1 raises a service request on every device, for trying a client's
    // interrupt channel; the modules raise their own as well.
    sigset_t waited;
    sigemptyset(&waited);
    sigaddset(&waited, SIGINT);
    sigaddset(&waited, SIGTERM);
    sigaddset(&waited, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &waited, nullptr);
    signal(SIGPIPE, SIG_IGN);

    vxi11::CVxi11Server::Log log;
    if (options.verbose) {
        log = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    }
    RaiseDescriptorLimit();
    vxi11::CVxi11Server server(scenario, log);
    vxi11::CRpcServer network(server);
    std::string error;
    if (!network.Start(options.listen, 0, &error)) {
        std::cerr << "aq3310-simd: " << error << "\n";
        return 1;
    }
    // A registration left by an earlier run would point clients at a dead port and is
    // replaced; one of a server that still answers is left to it.
    const std::uint16_t registered = RegisteredPort();
    if (registered != 0 && Answers(options.listen, registered)) {
        std::cerr << "aq3310-simd: another server is registered with the portmapper on port "
                  << registered << " and answers; stop it first\n";
        return 1;
    }
    if (!Register(options.listen, network.CorePort())) {
        std::cerr << "aq3310-simd: cannot register with the portmapper; is rpcbind running?\n";
        return 1;
    }
    const auto names = server.DeviceNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string line = "aq3310-simd: " + scenario.resources[i].name + " as";
        for (const std::string& name : names[i]) {
            line += " " + name;
        }
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    // The line a supervisor (or a test) waits for: the server answers from now on.
    std::printf("aq3310-simd listening on %s port %u (abort channel %u)\n", options.listen.c_str(),
                network.CorePort(), network.AbortPort());
    std::fflush(stdout);

    // Between signals, modules whose inputs run on time are stepped at their step times, so
    // that an edge raises its service request when it happens.
    int received = 0;
    for (;;) {
        const long long next = server.StepDevices();
        long long waitMs = 1000;
        if (next >= 0) {
            const long long now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now().time_since_epoch())
                                      .count();
            waitMs = std::clamp(next - now, 1LL, 1000LL);
        }
        const timespec wait{static_cast<time_t>(waitMs / 1000),
                            static_cast<long>(waitMs % 1000) * 1000000L};
        received = sigtimedwait(&waited, nullptr, &wait);
        if (received == SIGUSR1) {
            for (const sim::ResourceScenario& resource : scenario.resources) {
                server.RaiseServiceRequest(resource.name);
            }
        } else if (received == SIGINT || received == SIGTERM) {
            break;
        }
    }
    // Only our own registration: another server may have taken over since.
    if (RegisteredPort() == network.CorePort()) {
        Unregister();
    }
    network.Stop();
    std::fprintf(stderr, "aq3310-simd: stopped on %s\n", received == SIGINT ? "SIGINT" : "SIGTERM");
    return 0;
}
