#include "programs/vorticel-scr/args.h"

#include <cctype>
#include <string>

#include "cmdline/cmdline.h"

const char kScrUsage[] = "Vorticel screensaver\n"
                         "\n"
                         "  /s          run full screen\n"
                         "  /p HWND     preview inside the window HWND (also /p:HWND)\n"
                         "  /c          settings (also /c:HWND, or no argument at all)\n"
                         "\n"
                         "Switches may start with - as well as /, in either case.";

namespace {

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The words of the command line; a double-quoted word may hold blanks.
void splitWords(const char *text, std::string words[3], int &count) {
    count = 0;
    while (*text) {
        while (blank(*text))
            ++text;
        if (!*text)
            break;
        std::string word;
        const bool quoted = *text == '"';
        if (quoted)
            ++text;
        while (*text && (quoted ? *text != '"' : !blank(*text)))
            word += *text++;
        if (quoted && *text == '"')
            ++text;
        if (count == 3) { // more than a switch and a handle: too many
            count = 4;
            return;
        }
        words[count++] = word;
    }
}

} // namespace

bool parseScrCommand(const char *commandLine, ScrCommand &command) {
    std::string words[3];
    int count = 0;
    splitWords(commandLine ? commandLine : "", words, count);
    if (count == 0) {
        command = ScrCommand();
        return true;
    }
    if (count > 2)
        return false;
    const std::string &first = words[0];
    if (first.size() < 2 || (first[0] != '/' && first[0] != '-'))
        return false;
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(first[1])));
    // The handle follows a colon in the same word, or comes as the next word.
    const char *handle = nullptr;
    if (first.size() > 2) {
        if (first[2] != ':' || count > 1)
            return false;
        handle = first.c_str() + 3;
    } else if (count > 1) {
        handle = words[1].c_str();
    }
    ScrCommand parsed;
    switch (letter) {
    case 's':
        if (handle)
            return false;
        parsed.mode = ScrMode::Screen;
        break;
    case 'p':
        if (!handle || !cmdline::parseId(handle, parsed.window))
            return false;
        parsed.mode = ScrMode::Preview;
        break;
    case 'c':
        if (handle && !cmdline::parseId(handle, parsed.window))
            return false;
        parsed.mode = ScrMode::Settings;
        break;
    default:
        return false;
    }
    command = parsed;
    return true;
}
