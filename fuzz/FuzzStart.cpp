// Every target starts the same way: Qt's text and file code wants an
// application object before the first input.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    kalvuno::fuzz::startQt(argc, argv);
    return 0;
}
