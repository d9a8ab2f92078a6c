// orl-switcher-sim: a server module with a switcher behind it, on 127.0.0.1 unless
// --bind says otherwise, for the panel's demos and tests. The first line it prints is
// "listening on ADDRESS:N".

#include "ControlInput.h"
#include "Options.h"
#include "SimulatorServer.h"
#include "Switcher.h"
#include "SwitcherModel.h"
#include "TerminationSignal.h"
#include "Trace.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("orl-switcher-sim");
    QCoreApplication::setApplicationVersion(ORL_VERSION);

    orl::sim::Options options;
    std::string error;
    if (!orl::sim::ParseOptions(QCoreApplication::arguments(), options, error)) {
        std::fprintf(stderr,
                     "orl-switcher-sim: %s\nUsage: orl-switcher-sim [options] (see --help)\n",
                     error.c_str());
        return 2;
    }

    orl::TerminationSignal termination([] { QCoreApplication::quit(); });
    orl::sim::SwitcherModel model(options.size);
    orl::sim::Switcher switcher(model);
    orl::sim::Trace trace(options.quiet);
    orl::sim::SimulatorServer server(switcher, trace, options);
    if (!server.Listen(static_cast<quint16>(options.port), error)) {
        std::fprintf(stderr, "orl-switcher-sim: cannot listen on %s:%d: %s\n",
                     options.bindAddress.c_str(), options.port, error.c_str());
        return 1;
    }
    orl::sim::Trace::Always("listening on " + options.bindAddress + ":" +
                            std::to_string(server.Port()));

    orl::sim::ControlInput control([&](const std::string& line) {
        const std::string answer = server.Command(line);
        if (!answer.empty())
            orl::sim::Trace::Always(answer);
    });

    const int result = QCoreApplication::exec();
    trace.Line("stopped");
    return result;
}
