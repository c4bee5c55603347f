// The VRX Communication Program.
#include "application.h"
#include "forms.h"

int main(int argc, char** argv) {
    vrx::Application app(argc, argv);
    return vrx::RunProgram();
}
