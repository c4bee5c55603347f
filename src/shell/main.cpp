// The VRX Communication Program.
#include "application.h"
#include "forms.h"
#include "simulatedline.h"

int main(int argc, char** argv) {
    vrx::Application app(argc, argv);
    // VRX_COMn=sim attaches simulated controllers to COMn.
    vrx::sim::InstallSimulatedLine();
    return vrx::RunProgram();
}
