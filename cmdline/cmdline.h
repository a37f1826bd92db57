// One command-line parser for every program that takes flags: options with or without a
// value, positional arguments, and the value checks they share. Errors are one line each.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace cmdline {

class Parser {
  public:
    // A value-less option, e.g. "--sinusoid".
    void flag(const std::string &name, std::function<void()> apply);
    // An option with a value, given as the next argument or after '='. apply returns false
    // to refuse the value; the error then says what the option takes.
    void value(const std::string &name, const std::string &takes,
               std::function<bool(const char *)> apply);
    // Arguments that are not options; apply returns false for one it does not want.
    void positional(std::function<bool(const char *)> apply);
    // Also accepts "-name" for every "--name", as X programs spell their options.
    void acceptSingleDash() { singleDash = true; }

    // Applies the arguments in order. False at the first bad one, with the reason in error.
    bool parse(int argc, const char *const *argv, std::string &error) const;

  private:
    struct Option {
        std::string name, takes;
        std::function<void()> flag;
        std::function<bool(const char *)> value;
    };
    const Option *find(const std::string &name) const;

    std::vector<Option> options;
    std::function<bool(const char *)> other;
    bool singleDash = false;
};

// Value checks: the whole text must be the number, within the closed range.
bool parseLong(const char *text, long low, long high, long &out);
// A finite decimal number; "nan", "inf" and hexadecimal floats are refused.
bool parseDouble(const char *text, double low, double high, double &out);
// An X window id and the like: "0x" and hexadecimal digits, or decimal digits; above 0.
bool parseId(const char *text, unsigned long &out);

} // namespace cmdline
