#include "cmdline/cmdline.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace cmdline {

void Parser::flag(const std::string &name, std::function<void()> apply) {
    options.push_back(Option{name, "", std::move(apply), nullptr});
}

void Parser::value(const std::string &name, const std::string &takes,
                   std::function<bool(const char *)> apply) {
    options.push_back(Option{name, takes, nullptr, std::move(apply)});
}

void Parser::positional(std::function<bool(const char *)> apply) {
    other = std::move(apply);
}

const Parser::Option *Parser::find(const std::string &name) const {
    for (const Option &o : options)
        if (o.name == name)
            return &o;
    // "-name" stands for "--name"; "--x" is never read as "---x".
    if (singleDash && name.size() > 1 && name[0] == '-' && name[1] != '-')
        return find("-" + name);
    return nullptr;
}

bool Parser::parse(int argc, const char *const *argv, std::string &error) const {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string name = arg;
        const char *attached = nullptr;
        const Option *option = find(arg);
        const size_t equals = arg.find('=');
        if (!option && arg.size() > 1 && arg[0] == '-' && equals != std::string::npos) {
            name = arg.substr(0, equals);
            option = find(name);
            if (option && option->flag) {
                error = name + " takes no value";
                return false;
            }
            attached = argv[i] + equals + 1;
        }
        if (!option) {
            if (other && other(argv[i]))
                continue;
            error =
                (arg.size() > 1 && arg[0] == '-' ? "unknown option '" : "unexpected argument '") +
                arg + "'";
            return false;
        }
        if (option->flag) {
            option->flag();
            continue;
        }
        if (!attached) {
            if (i + 1 >= argc) {
                error = "missing value after " + name;
                return false;
            }
            attached = argv[++i];
        }
        if (!option->value(attached)) {
            error = name + " takes " + option->takes + ", not '" + attached + "'";
            return false;
        }
    }
    return true;
}

bool parseLong(const char *text, long low, long high, long &out) {
    // strtol would skip leading blanks; a value is only the number.
    if (!text || !*text || std::strchr(" \t\n\v\f\r", *text))
        return false;
    errno = 0;
    char *end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || errno == ERANGE || value < low || value > high)
        return false;
    out = value;
    return true;
}

bool parseDouble(const char *text, double low, double high, double &out) {
    if (!text || !*text)
        return false;
    // Digits, sign, point and exponent only: no "inf", "nan" or hexadecimal forms.
    for (const char *c = text; *c; ++c)
        if (!std::strchr("0123456789+-.eE", *c))
            return false;
    errno = 0;
    char *end = nullptr;
    const double value = std::strtod(text, &end);
    if (*end != '\0' || errno == ERANGE || !std::isfinite(value) || value < low || value > high)
        return false;
    out = value;
    return true;
}

bool parseId(const char *text, unsigned long &out) {
    if (!text)
        return false;
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char *digits = hex ? text + 2 : text;
    if (!*digits)
        return false;
    for (const char *c = digits; *c; ++c)
        if (!(hex ? std::isxdigit(static_cast<unsigned char>(*c)) : *c >= '0' && *c <= '9'))
            return false;
    errno = 0;
    char *end = nullptr;
    const unsigned long value = std::strtoul(digits, &end, hex ? 16 : 10);
    if (*end != '\0' || errno == ERANGE || value == 0)
        return false;
    out = value;
    return true;
}

} // namespace cmdline
