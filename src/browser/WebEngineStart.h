#pragma once

// Settings the web engine needs before the application object exists; call
// first thing in main(). Returns whether the web view draws with OpenGL (only
// when QT_QUICK_BACKEND asks for a scene graph of its own).
bool prepareWebEngine();
