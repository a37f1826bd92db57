// The vorticel-geometry tool: a JSON line per build, flags applied, a bad argument refused.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

int runTool(const std::string &args, std::vector<std::string> &lines) {
    const std::string out = ::testing::TempDir() + "vorticel_geometry.out";
    const int raw =
        std::system((VORTICEL_GEOMETRY_EXE " " + args + " >" + out + " 2>/dev/null").c_str());
    std::ifstream in(out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(GeometryTool, OneLinePerBuildWithTheFlagsAppliedAndBadArgumentsRefused) {
    std::vector<std::string> lines;
    ASSERT_EQ(runTool("0 --poly-step 8 256", lines), 0);
    ASSERT_EQ(lines.size(), 2u);
    // Vertices 0 and 1 of the first build, 0 and 8 of the second.
    EXPECT_NE(lines[0].find("\"vertices\":[[[0,-12.5,0,0,0.25],[1.22521424,"), lines[0].npos);
    EXPECT_NE(lines[1].find("\"vertices\":[[[0,-12.5,0,0.03125,0.25],[8.83883476,"), lines[1].npos);
    lines.clear();
    EXPECT_EQ(runTool("--poly-step 3", lines), 2);
    EXPECT_TRUE(lines.empty());
}

} // namespace
