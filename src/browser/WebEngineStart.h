#pragma once

// Settings the web engine needs before the application object exists,
// prepareWebEngineEnvironment() included (a program that has started threads
// by then calls that one first, alone). Returns whether the web view draws
// with OpenGL (only when QT_QUICK_BACKEND asks for a scene graph of its own).
bool prepareWebEngine();
