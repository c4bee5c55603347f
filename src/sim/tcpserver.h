// Serves simulated controllers over TCP for vrx-sim: as a transparent serial server, as a
// Modbus TCP gateway, or as a gateway that calls in to a master that listens.
#pragma once

#include "simoptions.h"

#include <QString>

#include <csignal>

namespace vrx::sim {

struct TcpServerConfig {
    enum class Role { Transparent, ModbusTcp, CallIn };
    Role role = Role::Transparent;
    QString host;
    quint16 port = 0; // Transparent and ModbusTcp: 0 takes a free port, which is printed
    LineOptions options;
    int pauseMs = 20; // the quiet that ends a request of a shape the length does not tell
};

// Listens (or calls in), prints where ("listening on 127.0.0.1:5020", "calling 127.0.0.1:5020"),
// then answers requests until stop becomes non-zero. A caller whose connection fails or ends
// calls again a second later. Runs the Qt event loop of the application, which must exist.
// Returns 0, or 1 with the reason in error when it cannot listen.
int RunTcpServer(const TcpServerConfig& config, volatile std::sig_atomic_t* stop, QString* error);

} // namespace vrx::sim
