#pragma once

// What the web engine needs in the process environment. Writing the
// environment while another thread reads it can crash that thread: adding a
// variable may move the table getenv() walks, and free the old one. So the
// program writes it first thing in main(), before any thread starts;
// variables that already exist are left alone, so later calls write nothing.
//
// As root, Chromium refuses to start its sandboxed helpers (build machines
// and containers run us that way): the sandbox is turned off there. The web
// engine itself sets force_s3tc_enable=true as it starts, when the program's
// threads run; set here first, its write replaces a value in place.
void prepareWebEngineEnvironment();

// Whether the web view composes its pages with OpenGL: only when
// QT_QUICK_BACKEND names a scene graph backend other than the software one.
bool webViewComposesWithOpenGl();
