// veilmark: the desktop application.

#include "shell/C_vmkApp.h"

int main(int argc, char** argv) {
    C_vmkApp app(argc, argv);
    QStringList args = C_vmkApp::arguments();
    args.removeFirst();  // the program's own name
    if (app.InitInstance(args)) C_vmkApp::exec();
    return app.ExitInstance();
}
