// Matching faults to replies.
#include "faults.h"

#include <algorithm>

namespace vrx::sim {

std::vector<Fault> FaultPlan::Take(int address) {
    std::vector<Fault> taken;
    for (Fault& fault : faults_) {
        if (fault.address != 0 && fault.address != address) continue;
        taken.push_back(fault);
        if (fault.times > 0 && --fault.times == 0) fault.times = -1; // used up
    }
    std::erase_if(faults_, [](const Fault& f) { return f.times < 0; });
    return taken;
}

} // namespace vrx::sim
