#include "programs/vorticel-saver/xscreensaver_list.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

bool continued(const std::string &line) {
    return !line.empty() && line.back() == '\\';
}

// The programs resource: where its first line starts, and where its last line ends.
bool findPrograms(const std::string &text, size_t &first, size_t &end) {
    for (size_t at = 0; at < text.size();) {
        size_t eol = text.find('\n', at);
        if (eol == std::string::npos)
            eol = text.size();
        const std::string line = text.substr(at, eol - at);
        if (line.compare(0, 9, "programs:") == 0) {
            first = at;
            end = eol;
            // Continuation lines run on while each ends in a backslash.
            for (std::string last = line; continued(last) && end < text.size();) {
                const size_t next = end + 1;
                end = text.find('\n', next);
                if (end == std::string::npos)
                    end = text.size();
                last = text.substr(next, end - next);
            }
            return true;
        }
        at = eol + 1;
    }
    return false;
}

// Whether a line of the resource runs the program: its command word, after an optional '-'
// (disabled), a quoted title and a visual ("GL:"), is the program or a path ending in it.
bool runs(std::string line, const std::string &program) {
    line.erase(0, line.find_first_not_of(" \t"));
    if (!line.empty() && line[0] == '-')
        line.erase(0, 1);
    line.erase(0, line.find_first_not_of(" \t"));
    if (!line.empty() && line[0] == '"')
        line.erase(0, line.find('"', 1) == std::string::npos ? line.size() : line.find('"', 1) + 1);
    std::istringstream words(line);
    std::string word;
    while (words >> word && word.back() == ':') {
    }
    const size_t name = word.rfind('/') == std::string::npos ? 0 : word.rfind('/') + 1;
    return !word.empty() && word.compare(name, std::string::npos, program) == 0;
}

} // namespace

bool addDisplayMode(std::string &settings, const std::string &entry, const std::string &program) {
    size_t first = 0, end = 0;
    if (!findPrograms(settings, first, end)) {
        if (!settings.empty() && settings.back() != '\n')
            settings += '\n';
        settings += "programs:\t\\\n\t\t" + entry + " \\n\n";
        return true;
    }
    std::istringstream lines(settings.substr(first, end - first));
    std::string line;
    while (std::getline(lines, line))
        if (runs(line.compare(0, 9, "programs:") == 0 ? line.substr(9) : line, program))
            return false;
    // The header line's own value, if any, moves to a line of its own below the new entry.
    const size_t headerEnd = settings.find('\n', first);
    const std::string header = settings.substr(
        first, (headerEnd == std::string::npos ? settings.size() : headerEnd) - first);
    std::string rest = header.substr(9);
    rest.erase(0, rest.find_first_not_of(" \t"));
    std::string replacement = "programs:\t\\\n\t\t" + entry + " \\n";
    if (rest == "\\")
        replacement += "\\";
    else if (!rest.empty())
        replacement += "\\\n\t\t" + rest;
    settings.replace(first, header.size(), replacement);
    return true;
}

int installDisplayMode(const std::string &file, const std::string &entry,
                       const std::string &program) {
    std::string settings;
    if (std::FILE *in = std::fopen(file.c_str(), "rb")) {
        char buffer[4096];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
            settings.append(buffer, got);
        std::fclose(in);
    } else if (errno != ENOENT) { // a missing file is made
        std::fprintf(stderr, "%s: cannot read %s: %s\n", program.c_str(), file.c_str(),
                     std::strerror(errno));
        return 1;
    }
    if (!addDisplayMode(settings, entry, program)) {
        std::printf("%s: already among the display modes in %s; nothing changed\n", program.c_str(),
                    file.c_str());
        return 0;
    }
    // Written beside the file and renamed over it: the daemon never reads half of it.
    const std::string temporary = file + ".vorticel-new";
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << settings;
    out.close();
    if (!out || std::rename(temporary.c_str(), file.c_str()) != 0) {
        std::fprintf(stderr, "%s: cannot write %s: %s\n", program.c_str(), file.c_str(),
                     std::strerror(errno));
        std::remove(temporary.c_str());
        return 1;
    }
    std::printf("%s: added \"%s\" to the display modes in %s; choose Vorticel in "
                "xscreensaver-settings\n",
                program.c_str(), entry.c_str(), file.c_str());
    return 0;
}
