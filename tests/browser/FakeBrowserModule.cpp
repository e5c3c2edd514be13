// Stand-ins for browser modules the program must refuse or may take, without
// the web engine: FAKE_MODULE_VERSION unset leaves the entry function out.
#include "BrowserPane.h"

#ifdef FAKE_MODULE_VERSION
namespace {

bool prepare() { return false; }

BrowserPane *createPane(const QString &, const QString &, QWidget *)
{
    return nullptr;
}

const BrowserModuleEntry kEntry { FAKE_MODULE_VERSION, &prepare, &createPane };

} // namespace

extern "C" Q_DECL_EXPORT const BrowserModuleEntry *kalvunoBrowserModule()
{
    return &kEntry;
}
#else
extern "C" Q_DECL_EXPORT int kalvunoSomethingElse()
{
    return 1;
}
#endif
