/*
 * gl_window.h - one real GL window, in a private Xvfb display, for tests
 * that draw or that call code which needs a GL context.
 */
#ifndef KESTRIM_TESTS_GL_WINDOW_H
#define KESTRIM_TESTS_GL_WINDOW_H

#include "harness.h"

#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

/* The display of the process's window, stopped when the process exits. */
inline E2eDisplay* gl_window_display()
{
    static E2eDisplay display;
    return &display;
}

inline void stop_gl_window_display()
{
    e2e_stop_display(gl_window_display());
}

/* Opens the process's window once: RGB, double-buffered, with depth. */
inline void open_gl_window(int size)
{
    E2eDisplay* display = gl_window_display();
    if (display->number >= 0)
        return;
    ASSERT_TRUE(e2e_start_display(display));
    atexit(stop_gl_window_display);
    setenv("DISPLAY", e2e_display_name(*display).c_str(), 1);
    int argc = 1;
    char name[] = "kestrim-test";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(size, size);
    glutInitWindowPosition(0, 0);
    glutCreateWindow("kestrim test");
    glViewport(0, 0, size, size);
}

/* The pixels of a buffer, bottom row first, 3 bytes a pixel. */
inline std::vector<unsigned char> read_pixels(GLenum buffer, int width, int height)
{
    glFinish();
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(buffer);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

#endif
