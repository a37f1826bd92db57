// Runs the vorticel-geometry tool and checks the shape of its output and its argument errors.
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Result {
    int status = -1;
    std::vector<std::string> lines;
};

Result runTool(const std::string &args) {
    Result r;
    const std::string command = std::string(VORTICEL_GEOMETRY_EXE) + " " + args + " 2>/dev/null";
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return r;
    std::string current;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) {
        for (size_t i = 0; i < n; ++i) {
            if (buf[i] == '\n') {
                r.lines.push_back(current);
                current.clear();
            } else {
                current += buf[i];
            }
        }
    }
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

int count(const std::string &text, const std::string &what) {
    int c = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++c;
    return c;
}

// The integer after "key": in a JSON line.
long field(const std::string &line, const std::string &key) {
    const size_t at = line.find("\"" + key + "\":");
    if (at == std::string::npos)
        return -999;
    return std::stol(line.substr(at + key.size() + 3));
}

TEST(GeometryTool, OneLinePerBuildWithTheFlagsApplied) {
    const Result r = runTool("0 --poly-step 8 256 --stop 100000");
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.lines.size(), 3u);
    for (const std::string &line : r.lines) {
        EXPECT_EQ(line.front(), '{');
        EXPECT_EQ(line.back(), '}');
        EXPECT_EQ(line.find("nan"), std::string::npos);
    }
    const long visible0 = field(r.lines[0], "visibleRings");
    ASSERT_GE(visible0, 1);
    EXPECT_EQ(field(r.lines[0], "polyStep"), 1);
    EXPECT_EQ(field(r.lines[0], "lastGeneratedRing"), visible0 - 1);
    // Each vertex is a five-number array; 65 of them per ring at stride 1, 9 at stride 8.
    EXPECT_EQ(count(r.lines[0], "],["), visible0 * 65 - 1);
    const long visible1 = field(r.lines[1], "visibleRings");
    EXPECT_EQ(field(r.lines[1], "polyStep"), 8);
    EXPECT_EQ(count(r.lines[1], "],["), visible1 * 9 - 1);
    EXPECT_NE(r.lines[1].find("\"vertices\":[[[0,-12.5,0,0.03125,0.25],[8.83883476,"),
              std::string::npos);
    // Stopped and far past the generated rings: nothing visible.
    EXPECT_EQ(field(r.lines[2], "visibleRings"), 0);
    EXPECT_NE(r.lines[2].find("\"ringDepth\":[],\"vertices\":[]"), std::string::npos);
}

TEST(GeometryTool, RingsListsTheRingsGeneratedByEachBuild) {
    const Result r = runTool("--rings 0 0");
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.lines.size(), 2u);
    const long generated = field(r.lines[0], "lastGeneratedRing") + 1;
    EXPECT_EQ(count(r.lines[0], "\"ring\":"), generated);
    EXPECT_NE(r.lines[0].find("{\"ring\":0,\"slot\":0,\"extent\":48.3358002,"
                              "\"angles\":[-0.151390314,0,-0.151390314],"
                              "\"points\":[[0,0.0190704353,0,50],"),
              std::string::npos);
    // The same position again generates nothing new.
    EXPECT_EQ(count(r.lines[1], "\"ring\":"), 0);
}

TEST(GeometryTool, BadArgumentsExitWithStatusTwo) {
    const char *bad[] = {"--bogus",     "abc",          "12x",         "--poly-step 3",
                         "--poly-step", "2147483648",   "-2147483649", "--zoom nan",
                         "--zoom 1e39", "--sinusoid 2", "0 --zoom",    "-"};
    for (const char *args : bad) {
        const Result r = runTool(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_TRUE(r.lines.empty()) << args;
    }
    const Result extremes = runTool("2147483647 --stop -2147483648");
    EXPECT_EQ(extremes.status, 0);
    EXPECT_EQ(extremes.lines.size(), 2u);
    EXPECT_EQ(runTool("--help").status, 0);
}

} // namespace
