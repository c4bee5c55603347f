// Where the program plugs its simulated line into the link layer.
#include "linedevice.h"

namespace vrx {

namespace {
SimulatedLineFactory& Factory() {
    static SimulatedLineFactory factory;
    return factory;
}
} // namespace

void InstallSimulatedLineFactory(SimulatedLineFactory factory) {
    Factory() = std::move(factory);
}

const SimulatedLineFactory& InstalledSimulatedLineFactory() {
    return Factory();
}

} // namespace vrx
