// Pixel formats, rendering contexts and buffer swaps on a window, as the shell sets them up.
#include "test_window.h"

#include <GL/gl.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <string>

namespace {

PIXELFORMATDESCRIPTOR shellRequest(BYTE colourBits) {
    PIXELFORMATDESCRIPTOR request{};
    request.nSize = sizeof request;
    request.nVersion = 1;
    request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    request.iPixelType = PFD_TYPE_RGBA;
    request.cColorBits = colourBits;
    request.cDepthBits = 16;
    return request;
}

int visualAttribute(int format, int attribute) {
    Display *display = platform::display();
    XVisualInfo pattern{};
    pattern.visualid = static_cast<VisualID>(format);
    int count = 0;
    XVisualInfo *visual = XGetVisualInfo(display, VisualIDMask, &pattern, &count);
    int value = -1;
    if (visual)
        glXGetConfig(display, visual, attribute, &value);
    XFree(visual);
    return value;
}

int attributesVisual(HWND window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(platform::display(), xidOf(window), &attributes);
    return static_cast<int>(XVisualIDFromVisual(attributes.visual));
}

TEST(Wgl, TheShellsSetUpGivesACurrentContextThatSwapsToTheWindow) {
    HWND window = createTestWindow();
    ASSERT_NE(window, nullptr);
    HDC dc = GetDC(window);
    ASSERT_NE(dc, nullptr);
    // A 24-bit true-colour screen stores 32 bits per pixel, which is what Windows reports.
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
    const PIXELFORMATDESCRIPTOR request = shellRequest(GetDeviceCaps(dc, BITSPIXEL));
    const int format = ChoosePixelFormat(dc, &request);
    ASSERT_GT(format, 0);
    EXPECT_EQ(visualAttribute(format, GLX_DOUBLEBUFFER), 1);
    EXPECT_EQ(visualAttribute(format, GLX_RGBA), 1);
    EXPECT_GE(visualAttribute(format, GLX_DEPTH_SIZE), 16);
    EXPECT_GE(visualAttribute(format, GLX_RED_SIZE), 8);
    ASSERT_TRUE(SetPixelFormat(dc, format, &request));
    EXPECT_EQ(attributesVisual(window), format);

    HGLRC context = wglCreateContext(dc);
    ASSERT_NE(context, nullptr);
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    const GLubyte *renderer = glGetString(GL_RENDERER);
    ASSERT_NE(renderer, nullptr);
    EXPECT_FALSE(std::string(reinterpret_cast<const char *>(renderer)).empty());

    ShowWindow(window, SW_SHOW);
    glViewport(0, 0, 640, 480);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_TRUE(SwapBuffers(dc));
    glFinish();
    Display *display = platform::display();
    XSync(display, False);
    XImage *image = XGetImage(display, xidOf(window), 320, 240, 1, 1, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(XGetPixel(image, 0, 0) & 0xFFFFFF, 0xFF0000u);
    XDestroyImage(image);

    // Released, GL calls do nothing and swaps are refused, without a crash.
    EXPECT_TRUE(wglMakeCurrent(dc, nullptr));
    EXPECT_EQ(glGetString(GL_RENDERER), nullptr);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_FALSE(SwapBuffers(dc));
    EXPECT_TRUE(wglDeleteContext(context));
    EXPECT_FALSE(wglDeleteContext(context));
    EXPECT_FALSE(wglMakeCurrent(dc, context));
    closeTestWindow(window);
}

TEST(Wgl, AnotherFormatRecreatesTheHiddenWindowWithItsVisual) {
    HWND window = createTestWindow("Other format");
    ASSERT_NE(window, nullptr);
    HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR request = shellRequest(32);
    request.dwFlags &= ~PFD_DOUBLEBUFFER;
    request.cDepthBits = 24;
    const int format = ChoosePixelFormat(dc, &request);
    ASSERT_GT(format, 0);
    if (format == attributesVisual(window))
        GTEST_SKIP() << "the server offers the same visual for both requests";
    ASSERT_TRUE(SetPixelFormat(dc, format, &request));
    EXPECT_EQ(attributesVisual(window), format);
    EXPECT_EQ(GetDC(window), dc);
    char *name = nullptr;
    ASSERT_TRUE(XFetchName(platform::display(), xidOf(window), &name));
    EXPECT_STREQ(name, "Other format");
    XFree(name);
    // Set once: the same format again is accepted, another one refused.
    EXPECT_TRUE(SetPixelFormat(dc, format, &request));
    const PIXELFORMATDESCRIPTOR standard = shellRequest(32);
    EXPECT_FALSE(SetPixelFormat(dc, ChoosePixelFormat(dc, &standard), &standard));
    HGLRC context = wglCreateContext(dc);
    ASSERT_NE(context, nullptr);
    EXPECT_TRUE(wglMakeCurrent(dc, context));
    EXPECT_NE(glGetString(GL_VERSION), nullptr);
    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_TRUE(wglDeleteContext(context));
    closeTestWindow(window);
}

TEST(Wgl, AnImpossibleFormatIsZeroAndReportedOnce) {
    HWND window = createTestWindow();
    ASSERT_NE(window, nullptr);
    HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR request = shellRequest(32);
    request.cDepthBits = 200;
    testing::internal::CaptureStderr();
    EXPECT_EQ(ChoosePixelFormat(dc, &request), 0);
    EXPECT_EQ(ChoosePixelFormat(dc, &request), 0);
    EXPECT_FALSE(SetPixelFormat(dc, 0, &request));
    // Without a pixel format there is no context either.
    EXPECT_EQ(wglCreateContext(dc), nullptr);
    EXPECT_EQ(wglCreateContext(dc), nullptr);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2) << errors;
    EXPECT_NE(errors.find("pixel format"), std::string::npos) << errors;
    EXPECT_NE(errors.find("rendering context"), std::string::npos) << errors;
    EXPECT_FALSE(SwapBuffers(dc));
    closeTestWindow(window);
}

} // namespace
