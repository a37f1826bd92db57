// Set-up and the projection rule: the view for each window shape, when a frame re-applies
// it, and what an empty client area does to it.
#include "render_fixture.h"

#include <cmath>
#include <limits>

#include "tunnel/effect.h"
#include "tunnel/state.h"

namespace {

struct View {
    double halfWidth, halfHeight;
};

// Half extents of the orthographic view in the current projection matrix; checks on the way
// that the matrix is centred, finite and has the near/far planes -1..1 of gluOrtho2D.
View currentView() {
    double m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    for (double e : m)
        EXPECT_TRUE(std::isfinite(e));
    EXPECT_EQ(m[12], 0.0);
    EXPECT_EQ(m[13], 0.0);
    EXPECT_EQ(m[10], -1.0);
    return {1.0 / m[0], 1.0 / m[5]};
}

void expectView(double halfWidth, double halfHeight) {
    const View view = currentView();
    // GL keeps the matrix in single precision.
    EXPECT_NEAR(view.halfWidth, halfWidth, 2e-7 * halfWidth);
    EXPECT_NEAR(view.halfHeight, halfHeight, 2e-7 * halfHeight);
}

// A projection that no rule would produce, to tell whether a frame touched the matrix.
const double kMarker[16] = {3, 0, 0, 0, 0, 5, 0, 0, 0, 0, 7, 0, 0, 0, 0, 1};

void loadMarker() {
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(kMarker);
    glMatrixMode(GL_MODELVIEW);
}

bool markerIntact() {
    double m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    for (int i = 0; i < 16; ++i)
        if (m[i] != kMarker[i])
            return false;
    return true;
}

void expectModelViewIdentitySelected() {
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    double m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m[i], i % 5 == 0 ? 1.0 : 0.0) << "element " << i;
}

// Something other than the identity in the model-view matrix, to see set-up reset it.
void disturbModelView() {
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1.0f, 2.0f, 3.0f);
    glMatrixMode(GL_TEXTURE);
}

class SetupTest : public RenderTest {};

} // namespace

TEST_F(SetupTest, ViewFitsTheWindowShape) {
    const float a640 = 1.3333334f; // 640 / 480 as a float, just above the double 4/3
    struct Case {
        int width, height;
        double halfWidth, halfHeight;
        float aspect;
    } cases[] = {
        {640, 480, a640, 1.0, a640},
        {1280, 1024, 4.0 / 3.0, 1.0666667, 1.25f},
        {480, 640, 4.0 / 3.0, 1.7777778, 0.75f},
        {1920, 1080, 1.7777778, 1.0, 1.7777778f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        disturbModelView();
        restartEffect(c.width, c.height);
        expectView(c.halfWidth, c.halfHeight);
        EXPECT_EQ(lastAspect, c.aspect);
        expectModelViewIdentitySelected();
    }
}

TEST_F(SetupTest, LeavesTheStateFramesRelyOn) {
    polyStep = 8;
    lastGeneratedRing = 40;
    position = 1234.0f;
    speed = 1.0f;
    restartEffect(640, 480);

    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    GLint cull = 0, bound = 0;
    glGetIntegerv(GL_CULL_FACE_MODE, &cull);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(cull, GL_FRONT);
    ASSERT_NE(wallTexture.glTexture, 0u);
    EXPECT_EQ(static_cast<GLuint>(bound), wallTexture.glTexture - 1);
    // No grottebl.jpg where the test runs: the fallback pattern.
    EXPECT_EQ(wallTexture.width, 2);
    EXPECT_EQ(wallTexture.height, 2);

    EXPECT_EQ(position, 0.0f);
    EXPECT_EQ(speed, 8000.0f);
    EXPECT_EQ(polyStep, 1);
    EXPECT_EQ(lastGeneratedRing, -1);
}

TEST_F(SetupTest, FrameReappliesTheRuleOnlyWhenTheAspectChanges) {
    restartEffect(800, 600);
    renderFrame();
    loadMarker();
    clientWidth = 1024;
    clientHeight = 768;
    renderFrame();
    EXPECT_TRUE(markerIntact()) << "same aspect, projection recomputed";

    clientWidth = 480;
    clientHeight = 640;
    disturbModelView();
    renderFrame();
    expectView(4.0 / 3.0, 1.7777778);
    EXPECT_EQ(lastAspect, 0.75f);
    expectModelViewIdentitySelected();
}

TEST_F(SetupTest, NotANumberCountsAsTheSameAspect) {
    lastAspect = std::numeric_limits<float>::quiet_NaN();
    loadMarker();
    renderFrame();
    EXPECT_TRUE(markerIntact());
}

TEST_F(SetupTest, EmptyClientAreaKeepsTheLastView) {
    restartEffect(1280, 1024);
    renderFrame();
    const int sizes[][2] = {{1280, 0}, {0, 0}, {0, 1024}};
    for (const auto &size : sizes) {
        SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1]);
        clientWidth = size[0];
        clientHeight = size[1];
        renderFrame();
        expectView(4.0 / 3.0, 1.0666667);
        EXPECT_EQ(lastAspect, 1.25f);
    }
    // Restored to another shape: the rule applies again at once.
    clientWidth = 480;
    clientHeight = 640;
    renderFrame();
    expectView(4.0 / 3.0, 1.7777778);
    EXPECT_EQ(lastAspect, 0.75f);
}

TEST_F(SetupTest, SetUpWithoutHeightUsesTheFourByThreeView) {
    restartEffect(640, 0);
    expectView(1.3333334f, 1.0);
    EXPECT_EQ(lastAspect, 1.3333334f);
    expectModelViewIdentitySelected();

    clientHeight = 1024;
    clientWidth = 1280;
    renderFrame();
    expectView(4.0 / 3.0, 1.0666667);
}
