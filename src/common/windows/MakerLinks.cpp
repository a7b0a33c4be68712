#include "common/windows/MakerLinks.h"

#include "common/ProgramInfo.h"

#include <QDesktopServices>
#include <QUrl>

void openHomePage()
{
    QDesktopServices::openUrl(QUrl(programInfo::homePageUrl()));
}

void openMailToAuthors()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + programInfo::makerMail()));
}
