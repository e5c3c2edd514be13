// The browser module's one entry point: the program finds it by name with
// dlopen, so that it loads the web engine only when it shows web pages.
#include "BrowserPane.h"
#include "BrowserView.h"
#include "WebEngineStart.h"

namespace {

BrowserPane *createPane(const QString &profileFolder, const QString &notFoundPage, QWidget *parent)
{
    return new BrowserView(profileFolder, notFoundPage, parent);
}

const BrowserModuleEntry kEntry { kBrowserModuleVersion, &prepareWebEngine, &createPane };

} // namespace

extern "C" Q_DECL_EXPORT const BrowserModuleEntry *kalvunoBrowserModule()
{
    return &kEntry;
}
