// The process entry: hands over to the program's WinMain as Windows would.
#include "windows.h"

#include <string>

int main(int argc, char **argv) {
    // WinMain gets the arguments after the program name, joined by spaces.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }
    static char instanceToken;
    return WinMain(reinterpret_cast<HINSTANCE>(&instanceToken), nullptr, &commandLine[0],
                   SW_SHOWDEFAULT);
}
