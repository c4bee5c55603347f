// The VRX Communication Program.
#include "application.h"
#include "comselectform.h"
#include "forms.h"
#include "simulatedline.h"

int main(int argc, char** argv) {
    vrx::Application app(argc, argv);
    // VRX_COMn=sim attaches simulated controllers to COMn.
    vrx::sim::InstallSimulatedLine();
    // A port opened without a number asks the user in the Port selection dialog.
    vrx::InstallPortDialog();
    return vrx::RunProgram();
}
