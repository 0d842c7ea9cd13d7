#pragma once

// An OpenGL 3.3 core context of the test's own, current on the calling
// thread, with the rendering library opened in it. 0 when the machine has
// no display or no such OpenGL.
int gl_context_open();

// Closes the library and the context (before the application goes).
void gl_context_close();
