// Serves simulated controllers on a pseudo-terminal, so any Modbus master can reach them through
// a serial device path. POSIX only.
#pragma once

#include "simoptions.h"

#include <QString>

#include <csignal>

namespace vrx::sim {

struct PtyServerConfig {
    QString linkPath; // made a symbolic link to the pty's slave device
    LineOptions options;
    int silenceMs = 20; // a pty has no baud rate: the quiet time that ends an RTU frame
};

// Creates the pty and the link, reports the device through printed, then answers requests until
// stop becomes non-zero. Removes the link before it returns. Returns 0, or 1 with the reason in
// error when the pty or the link cannot be made.
int RunPtyServer(const PtyServerConfig& config, volatile std::sig_atomic_t* stop, QString* printed,
                 QString* error);

} // namespace vrx::sim
