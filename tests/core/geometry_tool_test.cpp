// Drives the vorticel-geometry tool: the shape of its JSON lines, and an argument error.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Runs the tool; returns its exit status and fills lines with its standard output.
int runTool(const std::string &args, std::vector<std::string> &lines) {
    const std::string out = ::testing::TempDir() + "vorticel_geometry.out";
    const int raw =
        std::system((VORTICEL_GEOMETRY_EXE " " + args + " >" + out + " 2>/dev/null").c_str());
    std::ifstream in(out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

long count(const std::string &text, const std::string &what) {
    long c = 0;
    for (size_t at = 0; (at = text.find(what, at)) != text.npos; ++at)
        ++c;
    return c;
}

// The integer after "key": in a JSON line.
long field(const std::string &line, const std::string &key) {
    const size_t at = line.find("\"" + key + "\":");
    return at == std::string::npos ? -999 : std::stol(line.substr(at + key.size() + 3));
}

TEST(GeometryTool, OneLinePerBuildWithTheFlagsAppliedAndBadArgumentsRefused) {
    std::vector<std::string> lines;
    ASSERT_EQ(runTool("0 --poly-step 8 256", lines), 0);
    ASSERT_EQ(lines.size(), 2u);
    for (const std::string &line : lines)
        EXPECT_TRUE(line.front() == '{' && line.back() == '}' && line.find("nan") == line.npos);
    const long visible0 = field(lines[0], "visibleRings"),
               visible1 = field(lines[1], "visibleRings");
    ASSERT_GE(visible0, 1);
    EXPECT_EQ(field(lines[0], "polyStep"), 1);
    EXPECT_EQ(field(lines[0], "lastGeneratedRing"), visible0 - 1);
    // Each vertex is a five-number array; 65 of them per ring at stride 1, 9 at stride 8.
    EXPECT_EQ(count(lines[0], "],["), visible0 * 65 - 1);
    EXPECT_EQ(field(lines[1], "polyStep"), 8);
    EXPECT_EQ(count(lines[1], "],["), visible1 * 9 - 1);
    EXPECT_NE(lines[1].find("\"vertices\":[[[0,-12.5,0,0.03125,0.25],[8.83883476,"), lines[1].npos);

    // A bad argument: status 2, and nothing printed.
    lines.clear();
    EXPECT_EQ(runTool("--poly-step 3", lines), 2);
    EXPECT_TRUE(lines.empty());
}

} // namespace
