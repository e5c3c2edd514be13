#include "WebEngineEnvironment.h"

#include <QByteArray>
#include <QString>
#include <unistd.h>

namespace {

void setUnlessSet(const char *name, QByteArrayView value)
{
    if (!qEnvironmentVariableIsSet(name))
        qputenv(name, value.toByteArray());
}

} // namespace

void prepareWebEngineEnvironment()
{
    if (::geteuid() == 0)
        setUnlessSet("QTWEBENGINE_DISABLE_SANDBOX", "1");
    setUnlessSet("force_s3tc_enable", "true");
}

bool webViewComposesWithOpenGl()
{
    const QString backend = qEnvironmentVariable("QT_QUICK_BACKEND");
    return !backend.isEmpty() && backend != u"software";
}
