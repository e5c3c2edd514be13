#pragma once

// Settings the web engine needs before the application object exists; call
// first thing in main().
void prepareWebEngine();
