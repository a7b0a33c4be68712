#include "common/windows/ProgramStyle.h"

#include "common/windows/Widgets.h"

#include <QApplication>
#include <QProxyStyle>

namespace {

// The application's style, its overflow arrows deferred.
class ProgramStyle : public QProxyStyle {
public:
    // Takes over the style the application has.
    ProgramStyle() : QProxyStyle(QApplication::style()) {}

    QIcon standardIcon(StandardPixmap picture, const QStyleOption* option, const QWidget* widget) const override
    {
        if (!option && (picture == SP_ToolBarHorizontalExtensionButton || picture == SP_ToolBarVerticalExtensionButton))
            return widgets::standardIcon(picture, baseStyle());
        return QProxyStyle::standardIcon(picture, option, widget);
    }
};

} // namespace

void installProgramStyle()
{
    QApplication::setStyle(new ProgramStyle);
}
