// veilmark: the desktop application.

#include "res/C_Version.h"
#include "shell/C_CommandLineInfo.h"
#include "shell/C_vmkApp.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    // Answered before any window system is needed, so it also works without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("veilmark %s\n", C_Version::kText);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(C_CommandLineInfo::Usage(), stdout);
            return 0;
        }
    }
    C_vmkApp app(argc, argv);
    QStringList args = C_vmkApp::arguments();  // Qt has taken its own switches (-platform ...) out
    args.removeFirst();                        // the program's own name
    // A mistyped switch is said before any window opens, not taken as nothing.
    const QStringList unknown = C_CommandLineInfo::Parse(args).m_unknownFlags;
    if (!unknown.isEmpty()) {
        for (const QString& strFlag : unknown)
            std::fprintf(stderr, "veilmark: unknown switch: %s\n", qUtf8Printable(strFlag));
        std::fputs(C_CommandLineInfo::Usage(), stderr);
        return 2;
    }
    if (app.InitInstance(args))
        C_vmkApp::exec();
    return app.ExitInstance();
}
